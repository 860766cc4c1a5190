// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The three exchanges of the link window, step by step as the station expects them: write the
// checked image, read the station's programming, ask the station's type. Plain functions over a
// SerialPort and a LinkObserver; the window runs them on its worker thread, tolvin-cli on its
// main thread. None of them touches the editor: a read reports its stream as it arrives, and
// applyReadPhase (read_into_editor.h) turns that into the editor's contents.
#include "image/image_streams.h"
#include "station_link/link.h"
#include "station_link/link_pace.h"

#include <QString>
#include <atomic>

namespace tolvin {

enum class ExchangeOutcome {
    Done,        // every step ran
    QuietStop,   // the station did not take part (no reply to the opening, unknown type)
    Failed,      // the port or the station failed; `message` says where
    Stopped,     // the program asked the exchange to end
};

struct ExchangeResult {
    ExchangeOutcome outcome = ExchangeOutcome::Done;
    QString message;      // for Failed and Stopped, and for the CLI's quiet stops
    int byteNumber = 0;   // the write: the stream byte the station did not answer (1-based)
    int byteCount = 0;    // the write: bytes in the stream after the opening sequence
    uint8_t typeCode = 0; // the type query: the byte that decides
    QByteArray stream;    // the read: what the station sent
    bool portError = false; // the device could not be opened or went away (not the station's silence)
    LinkPace pace;        // an exchange that ran to its end: how fast
    bool ok() const { return outcome == ExchangeOutcome::Done; }
};

// Asked by the program to end at the next byte; null: never.
using StopFlag = const std::atomic<bool> *;

// The pause after the fixed part of a write, while the station stores it.
constexpr std::chrono::milliseconds WriteStorePause{200};

// The checked image into the station. The caller has passed the "not checked" gate. Input that
// waits before a byte goes out is no answer to it and is dropped, so a station that sends more
// than one byte per byte keeps each acknowledgement with its own byte. storePause is for
// stations without a store time (fuzzing the host side).
ExchangeResult writeToStation(SerialPort &port, const QString &device, LinkObserver &observer,
                              const StreamImage &image, StopFlag stop = nullptr,
                              std::chrono::milliseconds storePause = WriteStorePause);

// The station's whole programming; observer.readProgress gets the stream at each phase.
ExchangeResult readFromStation(SerialPort &port, const QString &device, LinkObserver &observer,
                               StopFlag stop = nullptr);

// The station's type code. Applying it (band selection or the message) is the caller's. As in
// the write, input waiting before a byte goes out is dropped: the code must be the station's
// answer, not a byte left over from noise.
ExchangeResult queryStationType(SerialPort &port, const QString &device, LinkObserver &observer,
                                StopFlag stop = nullptr);

} // namespace tolvin
