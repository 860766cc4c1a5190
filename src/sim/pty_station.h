// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station model behind a pseudo-terminal, with the line's timing and the faults a bench
// sees: silence, a station that stops answering, noise, a cable pulled mid-exchange.
#include "sim/sim_options.h"
#include "sim/station_model.h"

#include <chrono>
#include <deque>
#include <random>

namespace tolvin::sim {

class PtyStation {
public:
    PtyStation(StationModel &model, const Options &options);
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
    void answer(uint8_t byte, Clock::time_point at);
    void sendDueBytes(Clock::time_point now);
    void hangUp();
    void log(const char *direction, uint8_t byte) const;

    StationModel &m_model;
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
    std::mt19937 m_noise;
};

} // namespace tolvin::sim
