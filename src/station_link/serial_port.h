// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial port as the station exchanges use it: only the handful of operations they need,
// so that the exchanges read as a list of steps and a pseudo-terminal or any other device can
// stand behind them. Every failure is a LinkError with a Russian message
// naming the device.
#include <QString>
#include <chrono>
#include <cstdint>

namespace tolvin {

enum class Parity { None, Even, Odd };

// The station's line: 1200 baud, 8 data bits, no parity, 1 stop bit, no flow control.
struct LineSettings {
    int baud = 1200;
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
};

class SerialPort {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~SerialPort() = default;

    // Closes the port first when it is open, then opens device for exclusive use with the line
    // settings. Throws LinkError(CannotOpen) naming the device and the reason.
    virtual void open(const QString &device, const LineSettings &line = LineSettings{}) = 0;
    // Releases the device; nothing happens when the port is closed.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The device last opened (kept after close, for messages); empty before the first open.
    virtual QString device() const = 0;

    // Every transfer below throws LinkError(NotOpen) on a closed port, and LinkError(Lost) when
    // the device went away; a lost port is closed before the error is thrown.

    // Queues one byte for sending.
    virtual void SendByte(uint8_t byte) = 0;
    // True when at least one received byte waits.
    virtual bool ByteWaiting() = 0;
    // Takes the oldest received byte; throws LinkError(Lost) when none waits, as a caller that
    // did not ask ByteWaiting first has lost track of the line.
    virtual uint8_t TakeByte() = 0;
    virtual void DiscardInput() = 0;
    virtual void DiscardOutput() = 0;
    // Sleeps until a received byte waits or the deadline passes, whichever is first; true when
    // a byte waits. Returns at once when one already does.
    virtual bool waitForByte(Clock::time_point deadline) = 0;
};

} // namespace tolvin
