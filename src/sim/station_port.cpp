// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/station_port.h"

#include "common/errors.h"

namespace tolvin {

void StationPort::open(const QString &device, const LineSettings &) {
    close();
    m_device = device;
    if (m_hungUp)
        throw LinkError(LinkError::Kind::CannotOpen, QStringLiteral("Порт %1 не найден").arg(device));
    m_open = true;
    // A new exchange starts from the station's idle state, as after a pause on the line.
    m_station.reset();
}

void StationPort::close() {
    m_open = false;
    m_replies.clear();
}

void StationPort::requireOpen() {
    if (m_hungUp && m_open) {
        close();
        throw LinkError(LinkError::Kind::Lost, QStringLiteral("Связь с портом %1 потеряна: устройство отключено").arg(m_device));
    }
    if (!m_open)
        throw LinkError(LinkError::Kind::NotOpen, QStringLiteral("Порт %1 не открыт").arg(m_device));
}

void StationPort::SendByte(uint8_t byte) {
    requireOpen();
    m_received.append(char(byte));
    const qint64 n = m_received.size();
    if (m_faults.hangUpAfter && n >= *m_faults.hangUpAfter) {
        m_hungUp = true;
        return;
    }
    if (m_faults.silent || (m_faults.stopAfter && n > *m_faults.stopAfter))
        return;
    for (const char c : m_station.receive(byte).reply)
        m_replies.push_back(uint8_t(c));
}

bool StationPort::ByteWaiting() {
    requireOpen();
    return !m_replies.empty();
}

uint8_t StationPort::TakeByte() {
    if (!ByteWaiting())
        throw LinkError(LinkError::Kind::Lost, QStringLiteral("Порт %1: нет принятого байта").arg(m_device));
    const uint8_t b = m_replies.front();
    m_replies.pop_front();
    return b;
}

void StationPort::DiscardInput() {
    requireOpen();
    m_replies.clear();
}

bool StationPort::waitForByte(Clock::time_point) {
    return ByteWaiting();
}

} // namespace tolvin
