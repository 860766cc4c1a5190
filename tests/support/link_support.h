// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The host's side of the link in tests: a recorder for what an exchange shows, and helpers that
// send bytes the way the exchanges do.
#include "station_link/link.h"

#include <QByteArray>
#include <QStringList>

namespace tolvin::test {

struct RecordingObserver : LinkObserver {
    QStringList events;  // "status:AK", "gauge:33", "buttons:1" (enabled) / "buttons:0"
    void status(const QString &text) override { events << "status:" + text; }
    void gauge(int percent) override { events << QStringLiteral("gauge:%1").arg(percent); }
    void buttonsEnabled(bool on) override { events << QStringLiteral("buttons:%1").arg(on); }
};

// Each byte sent and its reply waited for, as a write or type query does; stops at the first
// missing reply. Returns the replies that came.
inline QByteArray sendEachAndWait(Link &link, const QByteArray &bytes) {
    QByteArray replies;
    for (char c : bytes) {
        link.port.SendByte(uint8_t(c));
        if (!WaitReply(link))
            break;
        replies.append(char(link.LastReplyByte));
    }
    return replies;
}

// Up to count bytes with the given countdown for each, as a read receives them.
inline QByteArray receiveBytes(Link &link, int count, std::chrono::milliseconds countdown = ReplyCountdown) {
    QByteArray out;
    while (out.size() < count && WaitReply(link, countdown))
        out.append(char(link.LastReplyByte));
    return out;
}

inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

} // namespace tolvin::test
