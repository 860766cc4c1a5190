// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A USB serial adapter holds what it receives for its latency timer (16 ms on an FTDI chip)
// before passing it on; the write waits for a reply to every byte, so that timer, not the line,
// would set its pace. The driver's low-latency flag asks for each byte at once. Drivers without
// the request (a pseudo-terminal, many built-in ports) refuse it, which is fine.
#include <linux/serial.h>
#include <optional>

namespace tolvin {

// The two requests on an open terminal, behind a seam so that a test can see them.
class SerialFlags {
public:
    virtual ~SerialFlags() = default;
    // TIOCGSERIAL / TIOCSSERIAL: 0, or the errno of the refusal.
    virtual int get(int fd, serial_struct &flags) = 0;
    virtual int set(int fd, const serial_struct &flags) = 0;
};

// The kernel's own.
SerialFlags &systemSerialFlags();

// Sets ASYNC_LOW_LATENCY where the driver has it; returns the flags to put back on close, or
// nothing when the driver has no such flags, refuses them, or had low latency already.
std::optional<serial_struct> requestLowLatency(int fd, SerialFlags &io);

} // namespace tolvin
