#include "table/editor_snapshot.h"

namespace tolvin {

EditorSnapshot takeSnapshot(const Editor &ed) {
    return EditorSnapshot{ed.table, ed.memo};
}

void restoreSnapshot(Editor &ed, const EditorSnapshot &snapshot) {
    ed.table = snapshot.table;
    ed.memo = snapshot.memo;
    // Boxes are removed over the rows that carried them; after a restore those are the rows the
    // table has.
    ed.state.PrevRowCount = ed.table.rowCount();
    ed.state.DataChecked = 0;
    if (ed.table.channelCount() > 0) {
        ed.view.panel1 = true;
        ed.view.grid = true;
        ed.view.memo = true;
    }
}

} // namespace tolvin
