// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a station holds other than a configuration's image, field by field in the words of the
// channel table and the general settings: "канал 12: Rx 150000,00 вместо 150006,25", the
// station's value first and the configuration's after "вместо". Both sides are decoded by the
// code of a station read, so number forms never make a difference that the bytes do not.
#include "image/image_streams.h"
#include "table/bands.h"

#include <QStringList>

namespace tolvin {

// Empty when the station holds the configuration. Compared: header bytes 3 to 11, tones, Id,
// module, station type and every channel record. The serial number is the station's own and
// is never a difference. Records are decoded with the band of the configured StationType, or
// with `band` when that type names none, so that a station of another type shows its type
// once and not every frequency again. A byte whose change no field shows (a spare flag bit,
// the reserved record byte) is named by its number. A channel only one side has is "нет в" or
// "есть только в" `heldIn`, the station's side as a place. Another configuration may stand there,
// its records decoded with its own band, `heldBand`, so that each side shows its own frequencies.
QStringList imageDifferences(const StreamImage &station, const StreamImage &configured, const BandSettings &band,
                             const QString &heldIn = QStringLiteral("станции"), const BandSettings *heldBand = nullptr);

} // namespace tolvin
