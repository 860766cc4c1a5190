// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/editor_snapshot.h"

namespace tolvin {

EditorSnapshot takeSnapshot(const Editor &ed) {
    return EditorSnapshot{ed.table, ed.memo, ed.state.bandSettings, ed.state.StationType, ed.state.tickedBand,
                          ed.state.title, ed.view.grid};
}

void restoreSnapshot(Editor &ed, const EditorSnapshot &snapshot) {
    ed.table = snapshot.table;
    ed.memo = snapshot.memo;
    if (ed.state.tickedBand != snapshot.tickedBand || !(ed.state.bandSettings == snapshot.bandSettings))
        ed.templ.start = QString::number(snapshot.bandSettings.BandLow);
    ed.state.bandSettings = snapshot.bandSettings;
    ed.state.StationType = snapshot.StationType;
    ed.state.tickedBand = snapshot.tickedBand;
    ed.state.title = snapshot.title;
    // Boxes are removed over the rows that carried them; after a restore those are the rows the
    // table has.
    ed.state.PrevRowCount = ed.table.rowCount();
    ed.state.DataChecked = 0;
    if (ed.table.channelCount() > 0) {
        // After a band change the table is there but put away, as the band change left it.
        ed.view.panel1 = snapshot.tableShown;
        ed.view.grid = snapshot.tableShown;
        ed.view.memo = snapshot.tableShown;
    }
}

} // namespace tolvin
