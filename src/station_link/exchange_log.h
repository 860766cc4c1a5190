// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A record of the bytes of the last exchanges, for a bug report: every byte with its direction
// and the time since the exchange began, to the microsecond. A port wrapper writes into it, so the
// exchanges themselves know nothing of it.
#include "station_link/serial_port.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <mutex>
#include <vector>

namespace tolvin {

class ExchangeLog {
public:
    enum class Direction : uint8_t { Sent, Received, Note };
    struct Entry {
        qint64 us;          // since the port was opened, in microseconds
        Direction direction;
        uint8_t byte;
        QString note;       // for Note: what happened to the port
    };

    // Keeps at most this many entries; the oldest go first (a few full writes fit).
    explicit ExchangeLog(size_t limit = 100000) : m_limit(limit) {}

    void begin(const QString &device);
    void add(Direction d, uint8_t byte);
    void note(const QString &text);
    void clear();

    std::vector<Entry> entries() const;
    // One line per entry, the time in ms to the microsecond: "     0,000 мс  ->  14",
    // "    16,702 мс  <-  14", "    20,113 мс  порт закрыт".
    QString text() const;

private:
    void push(Entry e);
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
    size_t m_limit;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// A SerialPort that records into an ExchangeLog what passes through another one.
class LoggingSerialPort : public SerialPort {
public:
    LoggingSerialPort(SerialPort &inner, ExchangeLog &log) : m_inner(inner), m_log(log) {}

    void open(const QString &device, const LineSettings &line = LineSettings{}) override;
    void close() override;
    bool isOpen() const override { return m_inner.isOpen(); }
    QString device() const override { return m_inner.device(); }
    void SendByte(uint8_t byte) override;
    bool ByteWaiting() override { return m_inner.ByteWaiting(); }
    uint8_t TakeByte() override;
    void DiscardInput() override { m_inner.DiscardInput(); }
    void DiscardOutput() override { m_inner.DiscardOutput(); }
    bool waitForByte(Clock::time_point deadline) override { return m_inner.waitForByte(deadline); }

private:
    SerialPort &m_inner;
    ExchangeLog &m_log;
};

} // namespace tolvin
