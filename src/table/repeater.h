// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Запись" of the repeater panel: marks one channel's receive or transmit frequency with the
// repeater marker, chosen by the channel number as the last data check recorded it.
#include "common/operator.h"
#include "table/editor.h"

#include <QString>

namespace tolvin {

enum class RepeaterMode {
    Receive,   // "Прием": the transmit cell gets "РЕТР_ПР"
    Transmit,  // "Передача": the receive cell gets "РЕТР_ПП"
};

QString receiveMarker();   // "РЕТР_ПП", stands in column 1
QString transmitMarker();  // "РЕТР_ПР", stands in column 2

// Clears DataChecked, then marks the channel. A marker on the other side of the same row is
// replaced by the frequency it displaced; a row whose displaced frequency is unknown (its marker
// came from a file or the station) gets an empty cell, which the next check reports. Returns
// false after showing the message when the field is empty or no channel has that number.
// Throws ConversionError when the field is not an integer.
bool writeRepeater(Editor &ed, const QString &channelText, RepeaterMode mode, Operator &op);

} // namespace tolvin
