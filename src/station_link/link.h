// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The byte-level primitive every station exchange is built on: wait for one reply byte, and on
// silence put the link window into its failure state and close the port. Plain functions over a
// SerialPort and an observer; the exchanges call them in the order of their steps, on whatever
// thread the front end chooses.
#include "station_link/serial_port.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdint>

namespace tolvin {

// The link window's status texts.
namespace LinkStatus {
inline QString idle() { return QStringLiteral("- -"); }
inline QString sending() { return QStringLiteral("ПР"); }
inline QString receiving() { return QStringLiteral("ПП"); }
inline QString failed() { return QStringLiteral("AK"); }
} // namespace LinkStatus

// How far a station read got; at each point the editor takes what arrived so far.
enum class ReadPhase {
    Started,        // the read command went out: the settings block starts anew
    HeaderArrived,  // serial number and Id
    ToneArrived,    // one more tone line
    SettingsArrived,// the fixed part is in: settings lines, row count, band of the station type
    RecordsArrived, // every record: check boxes, rows, special channel
    Finished,       // headers, table shown, module item
};

// Which exchange a count of bytes belongs to.
enum class ExchangeKind { Write, Read, TypeQuery };

// What an exchange shows while it runs: the status text, the vertical gauge and whether the
// window's three buttons ("Выход", "Запись данных ", "Чтение данных ") may be pressed; and
// for a read, the stream as it arrives.
class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    virtual void status(const QString &text) = 0;
    virtual void gauge(int percent) = 0;  // 0..100
    virtual void buttonsEnabled(bool enabled) = 0;
    virtual void readProgress(ReadPhase, const QByteArray & /*stream so far*/) {}
    // How far the exchange has come, for a front end that shows a job of several exchanges as
    // one: the bytes a write or type query has had answered (its opening included), or the
    // bytes a read has received. Comes with done 0 when the exchange begins; total is 0 while
    // it is not known yet (a read before the channel count has arrived).
    virtual void transferred(ExchangeKind, int /*done*/, int /*total*/) {}
};

// How long a reply may take: after each byte of a write or type query, and for each header and
// tone byte of a read; the channel records of a read get the shorter one.
constexpr std::chrono::milliseconds ReplyCountdown{200};
constexpr std::chrono::milliseconds RecordCountdown{100};

// One exchange's port and what its last wait brought.
struct Link {
    SerialPort &port;
    LinkObserver &observer;
    uint8_t LastReplyByte = 0;
    bool ReplyReceived = false;
};

// Waits for one byte from the station for at most countdown, on a monotonic clock. A byte that
// arrives goes to LastReplyByte and ReplyReceived becomes true. On time-out ReplyReceived stays
// false, the observer gets status "AK" and enabled buttons, and the port is closed, so that the
// exchange's next transfer ends it with the not-open error. Throws LinkError when the port is
// closed or lost.
bool WaitReply(Link &link, std::chrono::milliseconds countdown = ReplyCountdown);

} // namespace tolvin
