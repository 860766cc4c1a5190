// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a station's answer to the read command, cut wherever the station fell silent:
// the editor takes what arrived phase by phase, never reads outside a list or the image, and
// what a complete read leaves saves to a file that loads back the same.
#include "common/errors.h"
#include "fuzz_target.h"
#include "settings_file/settings_file.h"
#include "layout/image_layout.h"
#include "layout/general_keys.h"
#include "station_link/read_into_editor.h"
#include "image/station_readout.h"

TOLVIN_FUZZ_TARGET(station_readout) {
    using namespace tolvin;
    const QByteArray stream(reinterpret_cast<const char *>(data), qsizetype(size));
    // The band a read falls back on decodes frequencies only in a complete answer whose type
    // names no band; any other answer reads the same with every band, so one decode covers it.
    const StationReadout any = readStation(stream, bandTable().front().settings);
    if (any.complete && bandForStationType(any.StationType) == 0)
        for (size_t b = 1; b < bandTable().size(); ++b)
            (void)readStation(stream, bandTable()[b].settings);

    // The phases as the read reports them while the bytes arrive; a short stream stops where the
    // read would have stopped.
    Editor ed;
    applyReadPhase(ed, ReadPhase::Started, QByteArray());
    FUZZ_REQUIRE(ed.memo == QStringList{QStringLiteral("[Общие установки]")});
    if (stream.size() < ReadPiece::Head)
        return 0;
    applyReadPhase(ed, ReadPhase::HeaderArrived, stream.left(ReadPiece::Head));
    for (int i = ReadPiece::Head + 1; i <= ReadPiece::Head + ReadPiece::Tones && i <= stream.size(); ++i)
        applyReadPhase(ed, ReadPhase::ToneArrived, stream.left(i));
    if (stream.size() < ReadStreamFixedLength)
        return 0;
    applyReadPhase(ed, ReadPhase::SettingsArrived, stream.left(ReadStreamFixedLength));
    const int n = uint8_t(stream[HeaderByte::ChannelCount]);
    FUZZ_REQUIRE(ed.table.rowCount() == n + 1);
    const int complete = ReadStreamFixedLength + RecordSize * n;
    if (stream.size() < complete)
        return 0;
    // The read takes exactly what it asked for; anything after it is dropped with the input.
    const QByteArray answer = stream.left(complete);
    applyReadPhase(ed, ReadPhase::RecordsArrived, answer);
    applyReadPhase(ed, ReadPhase::Finished, answer);
    FUZZ_REQUIRE(ed.memo.size() == 1 + qsizetype(GeneralKeys.size())); // the special channel came with the records

    Editor whole;
    applyCompleteRead(whole, answer);
    FUZZ_REQUIRE(whole.memo == ed.memo);
    FUZZ_REQUIRE(whole.table.rowCount() == ed.table.rowCount());

    // tolvin-cli read saves this editor; the file must load back as it was read.
    QByteArray saved;
    try {
        saved = settingsFileBytes(whole);
    } catch (const AppError &) {
        FUZZ_REQUIRE(false);
    }
    if (n == 0)
        return 0; // a file without channel section 1 is no table to load
    Editor back;
    loadSettingsBytes(back, saved, QStringLiteral("read.ini"));
    for (int r = 1; r <= n; ++r)
        for (int c = 0; c < ColumnCount; ++c)
            FUZZ_REQUIRE(isCheckboxColumn(c) ? back.table.flag(c, r) == whole.table.flag(c, r)
                                             : back.table.cell(c, r) == whole.table.cell(c, r).trimmed());
    return 0;
}
