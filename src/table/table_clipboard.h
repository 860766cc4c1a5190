// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cells to and from a spreadsheet: a rectangle of the table as tab-separated text, and a
// tab-separated block written into the table from one cell on, each text under the rule its
// column has for typing or picking.
#include "table/channel_table.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tolvin {

// Rows top..bottom, columns left..right (table coordinates, inclusive); check boxes as "+"/"-".
// Lines end with CR LF, as spreadsheets put them on the clipboard.
QString copyCells(const ChannelTable &table, int left, int top, int right, int bottom);

struct PasteOutcome {
    int written = 0;          // cells that took their text
    QStringList refused;      // "строка 3, CTC_Rx: «99,9»" for each text the column does not take
    int cutOff = 0;           // texts past the last row or column
    // One message for the technician, empty when everything went in.
    QString message() const;
};

// Writes `block` (rows of texts) into the table with its first text at (col, row), row >= 1.
PasteOutcome pasteCells(ChannelTable &table, int col, int row, const QList<QStringList> &block);

// Whether `text` may stand in column `col` as typed or picked there; a check-box column takes
// "+", "-", "да", "нет" and gives the state in `checked`.
bool acceptsText(int col, const QString &text, bool *checked = nullptr);

} // namespace tolvin
