// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What undo and redo bring back: the channel table with its boxes, the settings text, and the
// band the table is for, with whether the table is shown (a band change puts it away). The
// module and the rest of the window's layout are not edits and stay where they are.
#include "table/editor.h"

namespace tolvin {

struct EditorSnapshot {
    ChannelTable table;
    QStringList memo;
    BandSettings bandSettings;
    uint8_t StationType = 0;
    int tickedBand = 0;
    QString title;
    bool tableShown = false;
    bool operator==(const EditorSnapshot &) const = default;
};

EditorSnapshot takeSnapshot(const Editor &ed);
// Puts the snapshot back. The data must be checked again before a write, as after any edit that
// changes what the image was built from.
void restoreSnapshot(Editor &ed, const EditorSnapshot &snapshot);

} // namespace tolvin
