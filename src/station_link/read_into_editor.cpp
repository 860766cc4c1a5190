// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/read_into_editor.h"

#include "image/station_readout.h"

namespace tolvin {

void applyReadPhase(Editor &ed, ReadPhase phase, const QByteArray &stream) {
    const StationReadout out = readStation(stream, ed.state.bandSettings);
    switch (phase) {
    case ReadPhase::Started:
    case ReadPhase::HeaderArrived:
    case ReadPhase::ToneArrived:
        ed.memo = out.memo;
        return;
    case ReadPhase::SettingsArrived:
        ed.memo = out.memo;
        ed.state.ModuleType = out.ModuleType;
        ed.state.StationType = out.StationType;
        ed.table.setRowCount(out.channelCount + 1);
        // Codes without a band leave the band, the title and the view as they were.
        selectBandByStationType(ed, out.StationType);
        return;
    case ReadPhase::RecordsArrived:
        ed.memo = out.memo;
        createAllOverlays(ed);
        for (int col : CheckboxColumns)
            for (int r = 1; r < ed.table.rowCount(); ++r)
                ed.table.setFlag(col, r, true);
        ed.state.PrevRowCount = ed.table.rowCount();
        for (int r = 1; r <= int(out.rows.size()) && r < ed.table.rowCount(); ++r) {
            const ReadoutRow &row = out.rows[size_t(r - 1)];
            for (int c = 0; c < ColumnCount; ++c)
                if (!isCheckboxColumn(c))
                    ed.table.setCell(c, r, row.cells.value(c));
            ed.table.setFlag(ColScan, r, row.scan);
            ed.table.setFlag(ColIdTone, r, row.idTone);
            ed.table.setFlag(ColActive, r, row.active);
        }
        return;
    case ReadPhase::Finished:
        ed.table.setRowTexts(0, columnHeaders());
        ed.view.grid = true;
        if (out.ModuleType <= 5)
            chooseModule(ed, out.ModuleType);
        return;
    }
}

void applyCompleteRead(Editor &ed, const QByteArray &stream) {
    for (ReadPhase p : {ReadPhase::Started, ReadPhase::HeaderArrived, ReadPhase::SettingsArrived,
                        ReadPhase::RecordsArrived, ReadPhase::Finished})
        applyReadPhase(ed, p, stream);
}

} // namespace tolvin
