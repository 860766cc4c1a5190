// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station model behind a pseudo-terminal, with the line's timing and the faults a bench
// sees: silence, a station that stops answering, noise, a cable pulled mid-exchange.
#include "sim/sim_options.h"
#include "sim/station_series.h"

#include <chrono>
#include <deque>
#include <optional>
#include <random>

namespace tolvin::sim {

// A host that has been quiet this long has given up on whatever it started (its own
// time-outs are 200 ms, its longest pause inside a write is 200 ms more).
inline constexpr std::chrono::seconds IdleReset{2};

class PtyStation {
public:
    PtyStation(StationSeries &series, const Options &options);
    ~PtyStation();
    PtyStation(const PtyStation &) = delete;
    PtyStation &operator=(const PtyStation &) = delete;

    // Creates the terminal pair and returns the path of the side a host opens. Throws AppError.
    QString open();
    // Serves until stopFd becomes readable (main passes a signalfd for SIGINT and SIGTERM):
    // a descriptor among the others cannot be missed the way a flag set by a handler can while
    // the terminal keeps the station busy.
    void serve(int stopFd);

private:
    using Clock = std::chrono::steady_clock;
    struct Timed {
        uint8_t byte;
        Clock::time_point due;
    };

    void readHost(Clock::time_point now);
    void takeDueBytes(Clock::time_point now);
    void answer(StationModel &station, uint8_t byte, Clock::time_point at);
    void sendDueBytes(Clock::time_point now);
    void hangUp();
    void log(const char *direction, uint8_t byte) const;
    // A written station of a series leaves once its pause is over and the line is quiet; the
    // next one comes a pause later.
    bool exchangeUnderWay(Clock::time_point now);
    void swapStations(Clock::time_point now);
    std::optional<Clock::time_point> nextSwap();

    StationSeries &m_series;
    const Options &m_options;
    int m_master = -1;
    // Held open so the terminal survives a host that closes the port between operations
    // (a master without any open slave reports hang-up on every poll).
    int m_slave = -1;
    Clock::duration m_byteTime{};
    std::deque<Timed> m_incoming;  // bytes on their way in, due when fully received
    std::deque<Timed> m_outgoing;  // bytes on their way out, due when fully sent
    Clock::time_point m_rxLineFree{};
    Clock::time_point m_txLineFree{};
    // An adapter's latency timer: what the station sends reaches the host at its next tick.
    Clock::duration m_replyDelay{};
    Clock::time_point m_tickEpoch{};
    Clock::time_point nextTick(Clock::time_point t) const;
    Clock::time_point m_lastReceived{};
    qint64 m_received = 0;
    qint64 m_queued = 0;  // bytes put on the way out
    Clock::duration m_swapPause{};
    std::optional<Clock::time_point> m_unplugAt;  // a written station may go from then on
    std::optional<Clock::time_point> m_nextAt;    // the next station answers from then on
    std::mt19937 m_noise;
};

} // namespace tolvin::sim
