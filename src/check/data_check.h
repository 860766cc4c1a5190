// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Контроль": the general settings and every channel row against the station's rules, building
// the station data image in the same pass. The first rule that fails gives the one message.
#include "common/operator.h"
#include "layout/station_image.h"
#include "table/editor.h"

#include <QString>
#include <functional>
#include <cstdint>

namespace tolvin {

// Where a failed rule points: a channel cell, or a key of the general settings.
struct CheckPlace {
    int col = -1;
    int row = 0;              // a channel row, 1..N, with col
    QString key;              // a general-settings key
    bool onCell() const { return col >= 0 && row > 0; }
    bool onSetting() const { return !key.isEmpty(); }
    bool operator==(const CheckPlace &) const = default;
};

struct DataCheckResult {
    bool passed = false;
    QString message;           // the failing rule's text, or "Все данные введены верно."
    bool errorBeep = false;    // the failure is announced with the error beep first
    CheckPlace failedAt;       // nowhere for a rule of the whole table
    StationImage image;        // valid when passed; header bytes 0..2 kept from the editor's image
    uint8_t DigitCount = 0;
    uint8_t ModuleType = 0;
};

// The pass itself: reads the editor, changes nothing. The settings text is read in memory with
// the INI lookup rules; no file is written. Throws ConversionError where a cell (or a "ФВ"
// character, or a channel number searched for "СК") is not the integer or number it must be.
//
// Beyond the station's own rules, it refuses:
// - a table of more than 99 channel rows (the image holds 99 records);
// - a row without its three check boxes (after a band change removed them);
// - a squelch cell whose text is not in its list (the cell has no code to send).
DataCheckResult checkData(const Editor &ed);

// The menu command: clears DataChecked and DigitCount, runs the pass and on success takes over
// the image (header bytes 3..11, tones, IdCode, records), DigitCount and ModuleType, sets
// DataChecked and shows "Все данные введены верно."; on failure shows the rule's message
// (after the error beep where the rule has one) and returns false. A ConversionError leaves
// this function with DataChecked cleared and nothing else changed; the caller's action
// boundary (runAction) shows its message. StationType and header bytes 0..2 are never touched.
// With `pointAt`, a failed rule of a cell or a setting is shown to it first (a window selects
// the cell or the line), and the message names the cell on a second line ("Канал 12, Tx, кГц").
using PointAtFailure = std::function<void(const CheckPlace &)>;
bool runDataCheck(Editor &ed, Operator &op, const PointAtFailure &pointAt = {});

// Everything the pass reads from the editor, as one value (a digest): the cells, the boxes,
// the settings text, the band, the station type and the module. runDataCheck keeps it on
// success; when it differs later, the image no longer shows what the window does.
QByteArray checkedInput(const Editor &ed);

// Before a write: when the editor changed since the last successful check, runs the check again
// as runDataCheck does, but without the success message (the write goes on). False, after the
// failing rule's message, when the write must not go on. Leaves a checked, unchanged editor alone.
bool recheckBeforeWrite(Editor &ed, Operator &op);

} // namespace tolvin
