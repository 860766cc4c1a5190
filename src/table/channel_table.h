// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The channel table: row 0 holds the headers, rows 1..N one channel each, 18 cell texts a row.
// Columns 12, 14 and 17 carry a check-box state per row instead of text; a row may have none
// (before a table is built, or after a band change removed the boxes).
#include "table/lists.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace tolvin {

class ChannelTable {
public:
    ChannelTable() { setRowCount(11); }

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    // Rows past the new count are dropped with their boxes; new rows are empty, without boxes.
    void setRowCount(int count);
    int channelCount() const { return rowCount() > 0 ? rowCount() - 1 : 0; }

    // Out-of-range cells read as empty and ignore writes.
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString &text);
    void setRowTexts(int row, const QStringList &texts);

    // The frequency text a repeater marker displaced from column 1 or 2 of a row. It is kept only
    // while that marker stands in the cell: any other text written there drops it, so a row gets
    // back its own frequency and never one left over from another table.
    void keepDisplaced(int col, int row, const QString &text);
    std::optional<QString> displaced(int col, int row) const;

    bool hasFlag(int col, int row) const;
    bool flag(int col, int row) const; // a missing box reads as unchecked
    void setFlag(int col, int row, bool checked);
    void removeFlag(int col, int row);

    // Channel rows as wholes, with their boxes and displaced frequencies; row 0 never moves.
    // A copy of row `source` goes in at `at` (1..rowCount()), the rows from there moving down.
    void insertRow(int at, int source);
    void removeRows(int first, int count);
    // `order` lists every channel row once: the row that ends up first, then second, and so on.
    void reorderRows(const std::vector<int> &order);

    // Same texts, boxes and displaced frequencies in every row.
    bool operator==(const ChannelTable &) const = default;

private:
    struct Row {
        std::array<QString, ColumnCount> cells;
        std::array<std::optional<bool>, 3> flags;
        std::array<std::optional<QString>, 2> displaced; // columns 1 and 2
        bool operator==(const Row &) const = default;
    };
    static int flagIndex(int col);
    bool valid(int col, int row) const {
        return col >= 0 && col < ColumnCount && row >= 0 && row < rowCount();
    }
    std::vector<Row> m_rows;
};

} // namespace tolvin
