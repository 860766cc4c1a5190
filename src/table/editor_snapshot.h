#pragma once
// What undo and redo bring back: the channel table with its boxes and the settings text. The
// band, the module and the window's layout are not edits and stay where they are.
#include "table/editor.h"

namespace tolvin {

struct EditorSnapshot {
    ChannelTable table;
    QStringList memo;
    bool operator==(const EditorSnapshot &) const = default;
};

EditorSnapshot takeSnapshot(const Editor &ed);
// Puts the snapshot back. The data must be checked again before a write, as after any edit that
// changes what the image was built from.
void restoreSnapshot(Editor &ed, const EditorSnapshot &snapshot);

} // namespace tolvin
