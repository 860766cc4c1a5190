// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/exchange_log.h"

#include "common/errors.h"
#include "common/numbers.h"

namespace tolvin {

void ExchangeLog::begin(const QString &device) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_start = std::chrono::steady_clock::now();
    }
    note(QStringLiteral("открытие порта %1").arg(device));
}

void ExchangeLog::push(Entry e) {
    std::lock_guard<std::mutex> lock(m_mutex);
    e.us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - m_start).count();
    if (m_entries.size() >= m_limit)
        m_entries.erase(m_entries.begin(), m_entries.begin() + qsizetype(m_limit / 10 + 1));
    m_entries.push_back(std::move(e));
}

void ExchangeLog::add(Direction d, uint8_t byte) {
    push(Entry{0, d, byte, {}});
}

void ExchangeLog::note(const QString &text) {
    push(Entry{0, Direction::Note, 0, text});
}

void ExchangeLog::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
}

std::vector<ExchangeLog::Entry> ExchangeLog::entries() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries;
}

QString ExchangeLog::text() const {
    QString out;
    for (const Entry &e : entries()) {
        // Whole microseconds, so that a host's share of a round trip can be read off the log.
        out += QStringLiteral("%1,%2 мс  ").arg(e.us / 1000, 6).arg(e.us % 1000, 3, 10, QLatin1Char('0'));
        switch (e.direction) {
        case Direction::Sent:
            out += QStringLiteral("->  ") + QStringLiteral("%1").arg(e.byte, 2, 16, QLatin1Char('0')).toUpper();
            break;
        case Direction::Received:
            out += QStringLiteral("<-  ") + QStringLiteral("%1").arg(e.byte, 2, 16, QLatin1Char('0')).toUpper();
            break;
        case Direction::Note:
            out += e.note;
            break;
        }
        out += QLatin1Char('\n');
    }
    return out;
}

void LoggingSerialPort::open(const QString &device, const LineSettings &line) {
    m_log.begin(device);
    try {
        m_inner.open(device, line);
    } catch (const AppError &e) {
        m_log.note(e.message());
        throw;
    }
}

void LoggingSerialPort::close() {
    if (m_inner.isOpen())
        m_log.note(QStringLiteral("порт закрыт"));
    m_inner.close();
}

void LoggingSerialPort::SendByte(uint8_t byte) {
    try {
        m_inner.SendByte(byte);
    } catch (const AppError &e) {
        m_log.note(e.message());
        throw;
    }
    m_log.add(ExchangeLog::Direction::Sent, byte);
}

uint8_t LoggingSerialPort::TakeByte() {
    try {
        const uint8_t b = m_inner.TakeByte();
        m_log.add(ExchangeLog::Direction::Received, b);
        return b;
    } catch (const AppError &e) {
        m_log.note(e.message());
        throw;
    }
}

} // namespace tolvin
