// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/gates.h"

namespace tolvin {

QString gateMessage(Gate g) {
    switch (g) {
    case Gate::Repeater:
        return QStringLiteral("Прежде чем производить настройку рентраслятора проверьте введеные данные !!!");
    case Gate::ReportMenu:
        return QStringLiteral("Пока не будет произведена проверка данных, протокол создаваться не будет!!!");
    case Gate::ReportCreate:
        return QStringLiteral("Пока не будет произведена проверка данных, протокол создаваться не будет");
    case Gate::LinkWrite:
        return QStringLiteral("Введенные данные не будут переданы, так как они не проверены.");
    }
    return {};
}

bool passGate(const EditorState &state, Gate g, Operator &op) {
    if (state.DataChecked)
        return true;
    op.message(gateMessage(g));
    return false;
}

} // namespace tolvin
