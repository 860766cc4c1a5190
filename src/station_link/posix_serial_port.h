// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SerialPort over a Linux terminal device (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*, a pty slave):
// termios raw mode, a non-blocking descriptor and poll(), so a wait for the station's reply
// sleeps in the kernel until the byte or the deadline comes.
#include "station_link/low_latency.h"
#include "station_link/serial_port.h"

#include <QByteArray>
#include <atomic>
#include <optional>

namespace tolvin {

class PosixSerialPort : public SerialPort {
public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort &) = delete;
    PosixSerialPort &operator=(const PosixSerialPort &) = delete;

    // Exclusive in two ways: TIOCEXCL keeps other opens out (except root's), and an flock on
    // the device keeps out every program that asks for one, root's included.
    void open(const QString &device, const LineSettings &line = LineSettings{}) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    QString device() const override { return m_device; }

    // Waits a bounded time when the output queue is full; gives up with LinkError(Stopped) soon
    // after the stop flag turns true.
    void SendByte(uint8_t byte) override;
    bool ByteWaiting() override;
    uint8_t TakeByte() override;
    void DiscardInput() override;
    void DiscardOutput() override;
    bool waitForByte(Clock::time_point deadline) override;

    // What a send stuck behind a full output queue looks at while it waits, so that the program
    // can end an exchange at once on a stalled adapter; null: nothing.
    void setStopFlag(const std::atomic<bool> *stop) { m_stop = stop; }
    // Where open() asks for low latency and close() puts the driver's flags back; the kernel's
    // unless a test gives its own.
    void setSerialFlags(SerialFlags &flags) { m_serialFlags = &flags; }

private:
    void requireOpen() const;
    // Reads what the kernel holds into m_input; false when nothing was there.
    bool fill();
    [[noreturn]] void lost(int err);

    int m_fd = -1;
    QString m_device;
    QByteArray m_input;  // received, not yet taken; m_head is the oldest byte
    qsizetype m_head = 0;
    const std::atomic<bool> *m_stop = nullptr;
    SerialFlags *m_serialFlags = &systemSerialFlags();
    std::optional<serial_struct> m_flagsBefore;  // to put back on close, when open() changed them
};

} // namespace tolvin
