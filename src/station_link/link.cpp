// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/link.h"

namespace tolvin {

bool WaitReply(Link &link, std::chrono::milliseconds countdown) {
    link.ReplyReceived = false;
    const auto deadline = SerialPort::Clock::now() + countdown;
    if (link.port.waitForByte(deadline)) {
        link.LastReplyByte = link.port.TakeByte();
        link.ReplyReceived = true;
        return true;
    }
    link.observer.status(LinkStatus::failed());
    link.observer.buttonsEnabled(true);
    if (link.port.isOpen())
        link.port.close();
    return false;
}

} // namespace tolvin
