// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a station read does to the editor, phase by phase as the stream arrives, so that a read
// cut short leaves exactly what arrived before the silence.
#include "station_link/link.h"
#include "table/editor.h"

#include <QByteArray>

namespace tolvin {

void applyReadPhase(Editor &ed, ReadPhase phase, const QByteArray &stream);

// The whole read at once: what a read that ran to its end leaves in the editor.
void applyCompleteRead(Editor &ed, const QByteArray &stream);

} // namespace tolvin
