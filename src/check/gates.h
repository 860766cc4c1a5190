// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands that may run only on checked data, and what each says when they may not.
#include "common/operator.h"
#include "table/editor.h"

#include <QString>

namespace tolvin {

enum class Gate {
    Repeater,      // menu "Ретранслятор"
    ReportMenu,    // menu "Создать протокол"
    ReportCreate,  // report window button "Создать"
    LinkWrite,     // link window button "Запись данных "
};

QString gateMessage(Gate g);

// True when DataChecked is set; otherwise shows the gate's message and returns false.
bool passGate(const EditorState &state, Gate g, Operator &op);

} // namespace tolvin
