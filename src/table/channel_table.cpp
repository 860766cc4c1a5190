// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/channel_table.h"

namespace tolvin {

void ChannelTable::setRowCount(int count) {
    m_rows.resize(static_cast<size_t>(count < 1 ? 1 : count));
}

QString ChannelTable::cell(int col, int row) const {
    return valid(col, row) ? m_rows[row].cells[col] : QString();
}

void ChannelTable::setCell(int col, int row, const QString &text) {
    if (!valid(col, row))
        return;
    Row &r = m_rows[row];
    // A grid editor that closes unchanged writes the same text back; the marker still stands.
    if ((col == ColRx || col == ColTx) && r.cells[col] != text)
        r.displaced[col - ColRx].reset();
    r.cells[col] = text;
}

void ChannelTable::keepDisplaced(int col, int row, const QString &text) {
    if ((col == ColRx || col == ColTx) && valid(col, row))
        m_rows[row].displaced[col - ColRx] = text;
}

std::optional<QString> ChannelTable::displaced(int col, int row) const {
    if ((col == ColRx || col == ColTx) && valid(col, row))
        return m_rows[row].displaced[col - ColRx];
    return std::nullopt;
}

void ChannelTable::setRowTexts(int row, const QStringList &texts) {
    for (int c = 0; c < ColumnCount && c < texts.size(); ++c)
        setCell(c, row, texts[c]);
}

int ChannelTable::flagIndex(int col) {
    switch (col) {
    case ColScan: return 0;
    case ColIdTone: return 1;
    case ColActive: return 2;
    default: return -1;
    }
}

bool ChannelTable::hasFlag(int col, int row) const {
    const int f = flagIndex(col);
    return f >= 0 && valid(col, row) && m_rows[row].flags[f].has_value();
}

bool ChannelTable::flag(int col, int row) const {
    return hasFlag(col, row) && *m_rows[row].flags[flagIndex(col)];
}

void ChannelTable::setFlag(int col, int row, bool checked) {
    const int f = flagIndex(col);
    if (f >= 0 && valid(col, row))
        m_rows[row].flags[f] = checked;
}

void ChannelTable::insertRow(int at, int source) {
    if (at < 1 || at > rowCount() || source < 1 || source >= rowCount())
        return;
    const Row copy = m_rows[size_t(source)];
    m_rows.insert(m_rows.begin() + at, copy);
}

void ChannelTable::removeRows(int first, int count) {
    if (first < 1 || count < 1 || first + count > rowCount())
        return;
    m_rows.erase(m_rows.begin() + first, m_rows.begin() + first + count);
}

void ChannelTable::reorderRows(const std::vector<int> &order) {
    if (int(order.size()) != channelCount())
        return;
    std::vector<Row> rows{m_rows.front()};
    std::vector<bool> taken(m_rows.size(), false);
    for (const int from : order) {
        if (from < 1 || from >= rowCount() || taken[size_t(from)])
            return; // not a permutation: the table stays as it was
        taken[size_t(from)] = true;
        rows.push_back(m_rows[size_t(from)]);
    }
    m_rows = std::move(rows);
}

void ChannelTable::removeFlag(int col, int row) {
    const int f = flagIndex(col);
    if (f >= 0 && valid(col, row))
        m_rows[row].flags[f].reset();
}

} // namespace tolvin
