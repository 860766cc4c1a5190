// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole channels of the table: inserted, deleted, moved, sorted and renumbered. A channel keeps
// its boxes and its repeater marker (with the frequency the marker displaced) wherever it goes;
// numbers stay as typed except by renumberChannels.
#include "common/operator.h"
#include "table/editor.h"

#include <optional>

namespace tolvin {

// Table rows first..last, from 1.
struct ChannelRange {
    int first = 1;
    int last = 1;
    bool operator==(const ChannelRange &) const = default;
};

// Each returns where the channels it handled stand afterwards, for the selection; an action
// that cannot be done says why through `op` and returns nothing.

// A copy of the channel at `row`, inserted above it.
std::optional<ChannelRange> insertChannel(Editor &ed, int row, Operator &op);
// Every channel but one may go: a table needs a row to be a table.
std::optional<ChannelRange> deleteChannels(Editor &ed, ChannelRange rows, Operator &op);
// One row up (delta -1) or down (+1); a block already at the edge stays.
std::optional<ChannelRange> moveChannels(Editor &ed, ChannelRange rows, int delta);

// Stable: equal keys and cells that hold no number keep their order, the latter after the rest.
// The receive frequency of a channel whose receive cell holds the repeater marker is the one
// the marker displaced, else its transmit frequency.
void sortChannelsByReceive(Editor &ed);
void sortChannelsByNumber(Editor &ed);
// 1..N from the top; the special channel setting follows its channel to the new number.
void renumberChannels(Editor &ed);

} // namespace tolvin
