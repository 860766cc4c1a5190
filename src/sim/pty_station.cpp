// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/pty_station.h"

#include "common/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace tolvin::sim {

namespace {

// One character on a 1200-baud 8N1 line: start bit, eight data bits, stop bit.
constexpr std::chrono::nanoseconds LineByteTime{10 * 1000000000LL / 1200};

QString systemError(const char *what) {
    return QStringLiteral("Не удалось создать псевдотерминал (%1): %2")
        .arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

timespec untilDeadline(std::chrono::steady_clock::duration d) {
    d = std::max(d, std::chrono::steady_clock::duration::zero());
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(d);
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d - s);
    return {static_cast<time_t>(s.count()), static_cast<long>(ns.count())};
}

} // namespace

PtyStation::PtyStation(StationSeries &series, const Options &options)
    : m_series(series), m_options(options), m_swapPause(std::chrono::milliseconds(options.swapPauseMs)),
      m_noise(std::random_device{}()) {
    if (options.lineRate) {
        m_byteTime = LineByteTime;
        // The kernel may wake a sleeper up to 50 µs late by default; twice a byte, that would
        // add more than a percent to every exchange and hide the host's own delays.
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    }
    if (options.replyDelayMs > 0) {
        m_replyDelay = std::chrono::milliseconds(options.replyDelayMs);
        m_tickEpoch = Clock::now();
    }
}

PtyStation::Clock::time_point PtyStation::nextTick(Clock::time_point t) const {
    if (m_replyDelay == Clock::duration::zero())
        return t;
    const auto ticks = (t - m_tickEpoch + m_replyDelay - Clock::duration(1)) / m_replyDelay;
    return m_tickEpoch + ticks * m_replyDelay;
}

PtyStation::~PtyStation() {
    hangUp();
}

QString PtyStation::open() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        throw AppError(systemError("posix_openpt"));
    char name[128];
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 || ::ptsname_r(m_master, name, sizeof name) != 0)
        throw AppError(systemError("grantpt"));
    const int flags = ::fcntl(m_master, F_GETFL);
    ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        throw AppError(systemError(name));
    // Raw from the start: a fresh pty echoes and translates line ends, which would answer the
    // host's bytes before the host has set up the port itself.
    termios t {};
    if (::tcgetattr(m_slave, &t) != 0)
        throw AppError(systemError("tcgetattr"));
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&t, B1200);
    ::cfsetospeed(&t, B1200);
    if (::tcsetattr(m_slave, TCSANOW, &t) != 0)
        throw AppError(systemError("tcsetattr"));
    return QString::fromLocal8Bit(name);
}

void PtyStation::hangUp() {
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
    m_incoming.clear();
    m_outgoing.clear();
}

void PtyStation::log(const char *direction, uint8_t byte) const {
    if (m_options.log)
        std::fprintf(stderr, "%s %02X\n", direction, byte);
}

void PtyStation::readHost(Clock::time_point now) {
    uint8_t buf[4096];
    const ssize_t n = ::read(m_master, buf, sizeof buf);
    if (n <= 0)
        return;  // EAGAIN or EINTR; a master does not see end of file while m_slave is open
    for (ssize_t i = 0; i < n; ++i) {
        // A byte is in once its ten bits have crossed the line, and the line carries one at a time.
        const Clock::time_point due = std::max(now, m_rxLineFree) + m_byteTime;
        m_rxLineFree = due;
        m_incoming.push_back({buf[i], due});
    }
}

void PtyStation::takeDueBytes(Clock::time_point now) {
    while (m_master >= 0 && !m_incoming.empty() && m_incoming.front().due <= now) {
        const Timed t = m_incoming.front();
        m_incoming.pop_front();
        ++m_received;
        log("RX", t.byte);
        if (m_options.hangUpAfter && m_received >= *m_options.hangUpAfter) {
            if (m_options.log)
                std::fprintf(stderr, "Терминал закрыт после %lld принятых байтов\n", static_cast<long long>(m_received));
            hangUp();
            return;
        }
        StationModel *station = m_series.station();
        if (station && m_received > 1 && t.due - m_lastReceived > IdleReset)
            station->reset();
        m_lastReceived = t.due;
        // Between two stations of a series nobody is there to answer.
        const bool answers = station && !m_options.silent && !(m_options.stopAfter && m_received > *m_options.stopAfter);
        if (answers)
            answer(*station, t.byte, t.due);
    }
}

void PtyStation::answer(StationModel &station, uint8_t byte, Clock::time_point at) {
    const StationModel::Answer a = station.receive(byte);
    if (a.memoryWritten)
        m_series.keepMemory();
    // Only a whole write sends a station on its way; one cut short leaves it on the bench.
    if (a.writeCompleted && m_series.swaps())
        m_unplugAt = at + m_swapPause;
    QByteArray reply = a.reply;
    if (!reply.isEmpty())
        for (int i = 0; i < m_options.flood; ++i)
            reply.append(char(m_noise() & 0xFF));
    for (char c : reply) {
        if (m_options.stopSendingAfter && m_queued >= *m_options.stopSendingAfter)
            return;
        const uint8_t out = m_options.garble ? uint8_t(m_noise() & 0xFF) : uint8_t(c);
        // The line is busy for the byte's time; the host sees it when the adapter lets it go.
        const Clock::time_point onLine = std::max(at, m_txLineFree) + m_byteTime;
        m_txLineFree = onLine;
        m_outgoing.push_back({out, nextTick(onLine)});
        ++m_queued;
    }
}

void PtyStation::sendDueBytes(Clock::time_point now) {
    uint8_t buf[4096];
    size_t n = 0;
    while (n < sizeof buf && n < m_outgoing.size() && m_outgoing[n].due <= now) {
        buf[n] = m_outgoing[n].byte;
        ++n;
    }
    if (n == 0)
        return;
    const ssize_t written = ::write(m_master, buf, n);
    if (written <= 0)
        return;  // the host's input queue is full; POLLOUT says when it has room
    for (ssize_t i = 0; i < written; ++i) {
        log("TX", m_outgoing.front().byte);
        m_outgoing.pop_front();
    }
}

bool PtyStation::exchangeUnderWay(Clock::time_point now) {
    // A query or write the host abandoned ends where the station would drop it anyway.
    StationModel *station = m_series.station();
    return !m_incoming.empty() || !m_outgoing.empty() ||
           (station && !station->betweenExchanges() && now - m_lastReceived < IdleReset);
}

void PtyStation::swapStations(Clock::time_point now) {
    if (m_master < 0)
        return;
    if (m_unplugAt && now >= *m_unplugAt && !exchangeUnderWay(now)) {
        m_unplugAt.reset();
        if (m_series.unplug())
            m_nextAt = now + m_swapPause;
    }
    if (m_nextAt && now >= *m_nextAt) {
        m_nextAt.reset();
        m_series.plugNext();
    }
}

std::optional<PtyStation::Clock::time_point> PtyStation::nextSwap() {
    if (m_master < 0)
        return std::nullopt;
    if (m_nextAt)
        return m_nextAt;
    // Bytes on their way wake the station by themselves; the swap is looked at after them.
    if (!m_unplugAt || !m_incoming.empty() || !m_outgoing.empty())
        return std::nullopt;
    const StationModel *station = m_series.station();
    if (station && !station->betweenExchanges())
        return std::max(*m_unplugAt, m_lastReceived + IdleReset);
    return m_unplugAt;
}

void PtyStation::serve(int stopFd) {
    for (;;) {
        const Clock::time_point now = Clock::now();
        takeDueBytes(now);
        if (m_master >= 0)
            sendDueBytes(now);
        swapStations(now);

        // Sleep until the host sends, the next byte is due either way, or we are told to stop.
        std::optional<Clock::time_point> wake;
        if (!m_incoming.empty())
            wake = m_incoming.front().due;
        const bool outDue = !m_outgoing.empty() && m_outgoing.front().due <= now;
        if (!m_outgoing.empty() && !outDue)
            wake = wake ? std::min(*wake, m_outgoing.front().due) : m_outgoing.front().due;
        if (const auto swap = nextSwap())
            wake = wake ? std::min(*wake, *swap) : *swap;
        pollfd p[2] = {{stopFd, POLLIN, 0}, {m_master, short(POLLIN | (outDue ? POLLOUT : 0)), 0}};
        timespec ts{};
        if (wake)
            ts = untilDeadline(*wake - Clock::now());
        const int r = ::ppoll(p, m_master >= 0 ? 2 : 1, wake ? &ts : nullptr, nullptr);
        if (r < 0 && errno != EINTR) {
            std::fprintf(stderr, "Ошибка ожидания на псевдотерминале: %s\n", std::strerror(errno));
            return;
        }
        if (r > 0 && p[0].revents)
            return;
        if (r > 0 && (p[1].revents & POLLIN))
            readHost(Clock::now());
    }
}

} // namespace tolvin::sim
