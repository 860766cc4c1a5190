// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/table_clipboard.h"

#include "common/delimited_text.h"

namespace tolvin {

namespace {

QString shown(const QString &text) {
    constexpr int Limit = 40;
    QString t = text.size() > Limit ? text.left(Limit) + QChar(0x2026) : text;
    t.replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return QStringLiteral("«") + t + QStringLiteral("»");
}

} // namespace

QString copyCells(const ChannelTable &table, int left, int top, int right, int bottom) {
    QString out;
    for (int r = top; r <= bottom; ++r) {
        QStringList fields;
        for (int c = left; c <= right; ++c) {
            if (isCheckboxColumn(c) && table.hasFlag(c, r))
                fields << (table.flag(c, r) ? QStringLiteral("+") : QStringLiteral("-"));
            else
                fields << quoteField(table.cell(c, r), QLatin1Char('\t'));
        }
        out += fields.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    }
    return out;
}

bool acceptsText(int col, const QString &text, bool *checked) {
    if (isCheckboxColumn(col)) {
        const QString t = text.toLower();
        const bool on = t == QLatin1String("+") || t == QStringLiteral("да");
        const bool off = t == QLatin1String("-") || t == QStringLiteral("нет");
        if (checked)
            *checked = on;
        return on || off;
    }
    if (const ListEditor *list = listEditorForColumn(col))
        return list->items.contains(text);
    // A typed cell takes what a one-line field takes.
    return isTypedColumn(col) && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
}

PasteOutcome pasteCells(ChannelTable &table, int col, int row, const QList<QStringList> &block) {
    PasteOutcome out;
    const QStringList &headers = columnHeaders();
    for (int i = 0; i < block.size(); ++i) {
        const int r = row + i;
        for (int j = 0; j < block[i].size(); ++j) {
            const int c = col + j;
            const QString text = isCheckboxColumn(c) || listEditorForColumn(c) ? block[i][j].trimmed() : block[i][j];
            if (r < 1 || r >= table.rowCount() || c < 0 || c >= ColumnCount) {
                ++out.cutOff;
                continue;
            }
            bool checked = false;
            const bool ok = acceptsText(c, text, &checked) && (!isCheckboxColumn(c) || table.hasFlag(c, r));
            if (!ok) {
                out.refused << QStringLiteral("строка %1, %2: %3").arg(r).arg(headers.at(c).trimmed(), shown(text));
                continue;
            }
            if (isCheckboxColumn(c))
                table.setFlag(c, r, checked);
            else
                table.setCell(c, r, text);
            ++out.written;
        }
    }
    return out;
}

QString PasteOutcome::message() const {
    QStringList parts;
    if (!refused.isEmpty()) {
        constexpr int Listed = 10;
        QStringList lines = refused.mid(0, Listed);
        if (refused.size() > Listed)
            lines << QStringLiteral("и ещё %1").arg(refused.size() - Listed);
        parts << QStringLiteral("Не вставлено (столбец не принимает такое значение):\n") + lines.join(QLatin1Char('\n'));
    }
    if (cutOff > 0)
        parts << QStringLiteral("Не поместилось в таблицу значений: %1").arg(cutOff);
    return parts.join(QStringLiteral("\n\n"));
}

} // namespace tolvin
