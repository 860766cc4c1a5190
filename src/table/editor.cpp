// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/editor.h"

namespace tolvin {

void removeOverlays(Editor &ed, int col) {
    for (int r = 1; r <= ed.state.PrevRowCount; ++r)
        ed.table.removeFlag(col, r);
}

void createOverlays(Editor &ed, int col) {
    removeOverlays(ed, col);
    const bool def = checkboxDefault(col);
    for (int r = 1; r < ed.table.rowCount(); ++r)
        ed.table.setFlag(col, r, def);
}

void createAllOverlays(Editor &ed) {
    for (int col : CheckboxColumns)
        createOverlays(ed, col);
}

void selectBand(Editor &ed, int band) {
    const BandRow &row = bandRow(band);
    ed.state.title = QString::fromUtf16(row.title);
    ed.view.panel1 = false;
    ed.state.tickedBand = row.band;
    ed.state.bandSettings = row.settings;
    // A station of the band that answered with its other code keeps it.
    if (!StationModels[size_t(row.band - 1)].answersWith(ed.state.StationType))
        ed.state.StationType = row.stationType;
    ed.templ.start = QString::number(row.settings.BandLow);
    ed.view.memo = false;
    ed.view.grid = false;
    for (int col : CheckboxColumns)
        removeOverlays(ed, col);
}

bool selectBandByStationType(Editor &ed, uint8_t code) {
    const int band = bandForStationType(code);
    if (band == 0)
        return false;
    selectBand(ed, band);
    return true;
}

void chooseModule(Editor &ed, int item) {
    if (item < 0 || item > 5)
        return;
    ed.state.tickedModule = item;
    ed.state.ModuleType = static_cast<uint8_t>(item);
}

} // namespace tolvin
