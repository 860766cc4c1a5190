// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated station on a port inside the process: a byte sent reaches the station at once and
// its reply waits at once, with no pseudo-terminal, process or line clock. Silence is answered at
// once too, so a test of a silent station does not sit out the reply countdown. The faults are
// tolvin-sim's, counted the same way.
#include "sim/station_model.h"
#include "station_link/serial_port.h"

#include <deque>
#include <optional>

namespace tolvin {

class StationPort : public SerialPort {
public:
    struct Faults {
        bool silent = false;                // --silent
        std::optional<qint64> stopAfter;    // --stop-after N: no answer from byte N+1 on
        std::optional<qint64> hangUpAfter;  // --hang-up-after N: the device goes once N bytes arrived
    };

    explicit StationPort(StationModel &station) : m_station(station) {}
    StationPort(StationModel &station, const Faults &faults) : m_station(station), m_faults(faults) {}

    void open(const QString &device, const LineSettings &line = LineSettings{}) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    QString device() const override { return m_device; }
    void SendByte(uint8_t byte) override;
    bool ByteWaiting() override;
    uint8_t TakeByte() override;
    void DiscardInput() override;
    void DiscardOutput() override { requireOpen(); }
    bool waitForByte(Clock::time_point deadline) override;

    // Every byte the station took, in order, over every opening of the port.
    const QByteArray &received() const { return m_received; }

private:
    void requireOpen();
    StationModel &m_station;
    Faults m_faults;
    QString m_device;
    bool m_open = false;
    bool m_hungUp = false;
    QByteArray m_received;
    std::deque<uint8_t> m_replies;
};

} // namespace tolvin
