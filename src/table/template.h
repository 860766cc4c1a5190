// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/operator.h"
#include "table/editor.h"

namespace tolvin {

// The default general settings block a new template starts with (26 lines).
const QStringList &defaultSettingsLines();

// The cell texts a template gives channel row `row` (check-box columns empty, frequencies empty).
QStringList templateRowTexts(int row);

// "Ok" of the template panel: validates the three fields and builds N channel rows.
// Returns false when a validation stopped it (its message already shown).
bool createTemplate(Editor &ed, Operator &op);

// After a template whose rows ran past the band's top (they carry its upper limit): which rows
// and what they got, "Каналы 41-99 выходят за диапазон; им назначена частота 174000 кГц".
// Empty when every row is in the band or the fields make no template.
QString templateCapNote(const Editor &ed);

} // namespace tolvin
