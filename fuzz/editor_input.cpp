// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor_input.h"

#include <QStringList>

namespace tolvin::fuzz {

namespace {
enum FlagState : uint8_t { Missing = 0, Unchecked = 1, Checked = 2 };
}

Editor editorFrom(Input &in) {
    Editor ed;
    selectBand(ed, 1 + in.upTo(3));
    ed.state.tickedModule = int(in.byte() % 8) - 1;   // -1 (none) .. 6 (past the menu)
    ed.state.ModuleType = in.byte();
    ed.state.StationType = in.byte();
    const int lines = in.upTo(40);
    for (int i = 0; i < lines; ++i)
        ed.memo << in.text(80);
    const int rows = in.upTo(MaxFuzzRows);
    ed.table.setRowCount(rows + 1);
    for (int r = 1; r <= rows; ++r) {
        for (int c = 0; c < ColumnCount; ++c) {
            if (!isCheckboxColumn(c)) {
                ed.table.setCell(c, r, in.text(24));
                continue;
            }
            switch (in.byte() % 3) {
            case Missing: break;
            case Unchecked: ed.table.setFlag(c, r, false); break;
            default: ed.table.setFlag(c, r, true); break;
            }
        }
    }
    ed.state.PrevRowCount = rows + 1;
    return ed;
}

QByteArray editorBytes(const Editor &ed) {
    Output out;
    out.upTo(std::max(0, ed.state.tickedBand - 1));
    out.byte(uint8_t(ed.state.tickedModule + 1));
    out.byte(ed.state.ModuleType);
    out.byte(ed.state.StationType);
    out.upTo(int(std::min<qsizetype>(ed.memo.size(), 40)));
    for (const QString &l : ed.memo.mid(0, 40))
        out.text(l);
    const int rows = std::min(ed.table.channelCount(), MaxFuzzRows);
    out.upTo(rows);
    for (int r = 1; r <= rows; ++r) {
        for (int c = 0; c < ColumnCount; ++c) {
            if (!isCheckboxColumn(c))
                out.text(ed.table.cell(c, r));
            else
                out.byte(!ed.table.hasFlag(c, r) ? Missing : ed.table.flag(c, r) ? Checked : Unchecked);
        }
    }
    return out.data();
}

QString editorSnapshot(const Editor &ed) {
    QStringList out = ed.memo;
    const EditorState &s = ed.state;
    out << QStringLiteral("%1 %2 %3 %4 %5 %6").arg(s.StationType).arg(s.ModuleType).arg(s.tickedBand)
               .arg(s.tickedModule).arg(s.PrevRowCount).arg(s.title);
    for (int r = 0; r < ed.table.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < ColumnCount; ++c)
            row << ed.table.cell(c, r) + (ed.table.hasFlag(c, r) ? (ed.table.flag(c, r) ? "[x]" : "[ ]") : "");
        out << row.join(QLatin1Char('|'));
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace tolvin::fuzz
