// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How fast an exchange went against what the 1200-baud line allows. A write waits for the
// station's reply to each byte, so its pace is set by the round trip; an adapter that holds
// replies back shows as round trips well above the two byte times of the line.
#include <QString>
#include <chrono>
#include <vector>

namespace tolvin {

// One character on the 1200-baud 8N1 line: start bit, eight data bits, stop bit.
constexpr std::chrono::nanoseconds LineByteTime{10 * 1000000000LL / 1200};
// A round trip above this many times the line's own is the adapter's, not the line's.
constexpr double SlowRoundTripFactor = 1.5;

struct LinkPace {
    int bytes = 0;                          // bytes the exchange sent or received (the write: sent)
    std::chrono::nanoseconds elapsed{};     // from its first byte to its last
    std::chrono::nanoseconds wire{};        // what the line needs for them, pauses included
    int roundTrips = 0;                     // byte sent, reply received
    std::chrono::nanoseconds roundTripTime{}; // their sum
    // The host's own share of each round trip: from a reply's arrival to the next byte's send.
    std::vector<std::chrono::nanoseconds> hostTimes;

    // elapsed / wire; 0 before anything was measured.
    double ratio() const;
    // The mean round trip, or zero without any.
    std::chrono::nanoseconds meanRoundTrip() const;
    // Round trips measured and slower than the line explains.
    bool repliesDelayed() const;
};

// Counts an exchange's bytes and round trips as it runs.
class PaceMeter {
public:
    using Clock = std::chrono::steady_clock;
    // A byte going out; its reply is timed from here.
    void sent();
    // The reply to the byte last sent.
    void replied();
    // A byte of a stream the station sends (the read).
    void received();
    // Time the line stands still by design (the write's store pause), counted into the wire time.
    void pausedFor(std::chrono::nanoseconds d) {
        m_pace.wire += d;
        m_replied = false; // the pause is the station's, not the host's
    }
    // The figures so far; every byte sent, replied or received is one byte time of the line.
    LinkPace pace() const;

private:
    void touch();
    LinkPace m_pace;
    int m_lineBytes = 0;   // byte times on the line
    Clock::time_point m_first{}, m_last{}, m_sentAt{}, m_repliedAt{};
    bool m_started = false, m_waiting = false, m_replied = false;
};

// "1807 байт за 31,2 с, 1,03 × скорости линии": the exchange's figures in one line (the number
// before "×" is what scripts read).
QString paceLine(const LinkPace &pace);
// "за 31,2 с, 1,03 × скорости линии": the same without the count, for a line that has given it.
QString paceFigures(const LinkPace &pace);

// Said once when repliesDelayed(): what the adapter does and where the cure is.
QString delayedRepliesAdvice(const LinkPace &pace);

} // namespace tolvin
