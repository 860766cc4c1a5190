// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An editor as fuzz input: the band, the module and type codes, the general settings lines and
// a table of up to 120 rows (past the station's 99), each cell a text and each check box
// present, checked or missing. editorBytes is the inverse, for seeds made from real editors.
#include "fuzz_target.h"
#include "table/editor.h"

namespace tolvin::fuzz {

constexpr int MaxFuzzRows = 120;

Editor editorFrom(Input &in);
QByteArray editorBytes(const Editor &ed);

// Everything the data check must leave as it was, as one comparable text.
QString editorSnapshot(const Editor &ed);

} // namespace tolvin::fuzz
