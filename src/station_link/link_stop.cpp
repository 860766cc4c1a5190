// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/link_stop.h"

#include "common/errors.h"

namespace tolvin {

void checkStop(const std::atomic<bool> *stop) {
    if (stop && stop->load())
        throw StopRequested{};
}

void sendOrStop(SerialPort &port, uint8_t byte) {
    try {
        port.SendByte(byte);
    } catch (const LinkError &e) {
        if (e.kind() == LinkError::Kind::Stopped)
            throw StopRequested{};
        throw;
    }
}

} // namespace tolvin
