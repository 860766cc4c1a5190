// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the station read makes of the station's answer: the general settings lines and the
// channel rows, in the order the read shows them. The link window applies the result to the
// editor (memo, row count, band by StationType, check boxes, module item).
#include "image/image_streams.h"
#include "table/bands.h"

#include <QStringList>
#include <vector>

namespace tolvin {

struct ReadoutRow {
    QStringList cells;    // 18 texts; the check-box columns stay empty
    bool scan = false;    // "Скан."
    bool idTone = false;  // "Id_Тон"
    bool active = false;  // "Акт"
};

struct StationReadout {
    // "[Общие установки]" always; then as the stream allows: serial and Id lines, one line per
    // tone, the remaining settings lines, and "СК=" once every record arrived.
    QStringList memo;
    bool fixedComplete = false;   // the 28 bytes before the records arrived
    int channelCount = 0;         // header byte 5 as received: the table gets this + 1 rows
    uint8_t StationType = 0;      // valid when fixedComplete
    uint8_t ModuleType = 0;
    std::vector<ReadoutRow> rows; // channelCount rows, filled only when complete
    bool complete = false;
    StreamImage parts;            // the bytes as received, records up to MaxChannels
};

// Total over any input: a short stream gives what arrived, odd bytes give visible texts that
// the data check refuses (see squelch_codes.h and image_fields.h), a special channel position
// past the last record gives an empty "СК=" value. Frequencies decode with the band of the
// received StationType, or with currentBand when that type names no band.
StationReadout readStation(const QByteArray &stream, const BandSettings &currentBand);

// The serial number at the start of a read stream as six hex digits; empty before it arrived.
QString streamSerial(const QByteArray &readStream);

// One record as table cells. dcsNumbering is header byte 10.
ReadoutRow decodeRecord(const ChannelRecord &rec, const BandSettings &band, uint8_t dcsNumbering);

} // namespace tolvin
