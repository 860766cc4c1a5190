// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/low_latency.h"

#include <cerrno>
#include <sys/ioctl.h>

namespace tolvin {

namespace {

class KernelSerialFlags : public SerialFlags {
public:
    int get(int fd, serial_struct &flags) override { return ::ioctl(fd, TIOCGSERIAL, &flags) == 0 ? 0 : errno; }
    int set(int fd, const serial_struct &flags) override {
        serial_struct copy = flags;
        return ::ioctl(fd, TIOCSSERIAL, &copy) == 0 ? 0 : errno;
    }
};

} // namespace

SerialFlags &systemSerialFlags() {
    static KernelSerialFlags flags;
    return flags;
}

std::optional<serial_struct> requestLowLatency(int fd, SerialFlags &io) {
    serial_struct before{};
    if (io.get(fd, before) != 0 || (before.flags & ASYNC_LOW_LATENCY))
        return std::nullopt;
    serial_struct wanted = before;
    wanted.flags |= ASYNC_LOW_LATENCY;
    if (io.set(fd, wanted) != 0)
        return std::nullopt;
    return before;
}

} // namespace tolvin
