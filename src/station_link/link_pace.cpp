// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/link_pace.h"

namespace tolvin {

namespace {

QString decimal(double v, int decimals) {
    // Always the comma, as the rest of the program writes numbers, whatever the process locale.
    return QString::number(v, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

double seconds(std::chrono::nanoseconds d) {
    return std::chrono::duration<double>(d).count();
}

} // namespace

double LinkPace::ratio() const {
    return wire.count() > 0 ? double(elapsed.count()) / double(wire.count()) : 0.0;
}

std::chrono::nanoseconds LinkPace::meanRoundTrip() const {
    return roundTrips > 0 ? roundTripTime / roundTrips : std::chrono::nanoseconds::zero();
}

bool LinkPace::repliesDelayed() const {
    // A few round trips say little: a type query's five are not enough to judge an adapter by.
    constexpr int Enough = 20;
    return roundTrips >= Enough && double(meanRoundTrip().count()) > SlowRoundTripFactor * 2 * double(LineByteTime.count());
}

void PaceMeter::touch() {
    const Clock::time_point now = Clock::now();
    if (!m_started) {
        m_first = now;
        m_started = true;
    }
    m_last = now;
}

void PaceMeter::sent() {
    touch();
    if (m_replied)
        m_pace.hostTimes.push_back(m_last - m_repliedAt);
    m_replied = false;
    m_sentAt = m_last;
    m_waiting = true;
    ++m_pace.bytes;
    ++m_lineBytes;
}

void PaceMeter::replied() {
    touch();
    if (m_waiting) {
        m_pace.roundTripTime += m_last - m_sentAt;
        ++m_pace.roundTrips;
        ++m_lineBytes;
        m_waiting = false;
        m_repliedAt = m_last;
        m_replied = true;
    }
}

void PaceMeter::received() {
    touch();
    ++m_pace.bytes;
    ++m_lineBytes;
}

LinkPace PaceMeter::pace() const {
    LinkPace p = m_pace;
    p.elapsed = m_last - m_first;
    p.wire += m_lineBytes * LineByteTime;
    return p;
}

QString paceFigures(const LinkPace &pace) {
    return QStringLiteral("за %1 с, %2 × скорости линии")
        .arg(decimal(seconds(pace.elapsed), 1))
        .arg(decimal(pace.ratio(), 2));
}

QString paceLine(const LinkPace &pace) {
    return QStringLiteral("%1 байт ").arg(pace.bytes) + paceFigures(pace);
}

QString delayedRepliesAdvice(const LinkPace &pace) {
    if (!pace.repliesDelayed())
        return {};
    const double ms = seconds(pace.meanRoundTrip()) * 1000;
    const double line = seconds(2 * LineByteTime) * 1000;
    return QStringLiteral("Адаптер задерживает ответы станции: ответ на байт приходит в среднем через %1 мс вместо %2 мс. "
                          "У адаптеров FTDI это таймер задержки (16 мс по умолчанию); как поставить его на 1 мс, "
                          "сказано в списке портов (tolvin-cli ports) и в README")
        .arg(decimal(ms, 1))
        .arg(decimal(line, 1));
}

} // namespace tolvin
