// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/channel_rows.h"

#include "common/numbers.h"
#include "layout/image_layout.h"

#include <algorithm>
#include <functional>
#include <numeric>

namespace tolvin {

namespace {

ChannelRange clamp(const Editor &ed, ChannelRange r) {
    const int last = ed.table.channelCount();
    if (r.first > r.last)
        std::swap(r.first, r.last);
    return {std::clamp(r.first, 1, last), std::clamp(r.last, 1, last)};
}

// The overlays' bookkeeping follows the rows, so a later band change removes every box.
void rowsChanged(Editor &ed) {
    ed.state.PrevRowCount = ed.table.rowCount();
}

void sortBy(Editor &ed, const std::function<std::optional<double>(int row)> &key) {
    const int n = ed.table.channelCount();
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 1);
    std::vector<std::optional<double>> keys(size_t(n) + 1);
    for (int row = 1; row <= n; ++row)
        keys[size_t(row)] = key(row);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const auto &ka = keys[size_t(a)];
        const auto &kb = keys[size_t(b)];
        if (ka && kb)
            return *ka < *kb;
        return ka.has_value() && !kb.has_value();
    });
    ed.table.reorderRows(order);
}

std::optional<double> numberIn(const QString &text) {
    return tryStrToFloat(text);
}

} // namespace

std::optional<ChannelRange> insertChannel(Editor &ed, int row, Operator &op) {
    if (ed.table.channelCount() >= MaxChannels) {
        op.message(QStringLiteral("В таблице уже %1 каналов: больше станция не принимает").arg(MaxChannels));
        return std::nullopt;
    }
    row = std::clamp(row, 1, ed.table.channelCount());
    ed.table.insertRow(row, row);
    rowsChanged(ed);
    return ChannelRange{row, row};
}

std::optional<ChannelRange> deleteChannels(Editor &ed, ChannelRange rows, Operator &op) {
    rows = clamp(ed, rows);
    const int count = rows.last - rows.first + 1;
    if (count >= ed.table.channelCount()) {
        op.message(QStringLiteral("Нельзя удалить все каналы: в таблице должен остаться хотя бы один"));
        return std::nullopt;
    }
    ed.table.removeRows(rows.first, count);
    rowsChanged(ed);
    const int at = std::min(rows.first, ed.table.channelCount());
    return ChannelRange{at, at};
}

std::optional<ChannelRange> moveChannels(Editor &ed, ChannelRange rows, int delta) {
    rows = clamp(ed, rows);
    const int n = ed.table.channelCount();
    if ((delta < 0 && rows.first == 1) || (delta > 0 && rows.last == n) || delta == 0)
        return std::nullopt;
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 1);
    // The neighbour on the far side takes the block's place on the near side.
    const auto first = order.begin() + (rows.first - 1);
    const auto end = order.begin() + rows.last;
    if (delta < 0)
        std::rotate(first - 1, first, end);
    else
        std::rotate(first, end, end + 1);
    ed.table.reorderRows(order);
    const int step = delta < 0 ? -1 : 1;
    return ChannelRange{rows.first + step, rows.last + step};
}

void sortChannelsByReceive(Editor &ed) {
    sortBy(ed, [&ed](int row) {
        if (const auto f = numberIn(ed.table.cell(ColRx, row)))
            return f;
        if (const auto displaced = ed.table.displaced(ColRx, row))
            if (const auto f = numberIn(*displaced))
                return f;
        return numberIn(ed.table.cell(ColTx, row));
    });
}

void sortChannelsByNumber(Editor &ed) {
    sortBy(ed, [&ed](int row) -> std::optional<double> {
        if (const auto n = tryStrToInt(ed.table.cell(ColNumber, row)))
            return double(*n);
        return std::nullopt;
    });
}

void renumberChannels(Editor &ed) {
    const QString key = QStringLiteral("СК=");
    for (QString &line : ed.memo) {
        if (!line.startsWith(key))
            continue;
        const auto special = tryStrToInt(line.mid(key.size()));
        for (int row = 1; special && row <= ed.table.channelCount(); ++row) {
            if (tryStrToInt(ed.table.cell(ColNumber, row)) == special) {
                line = key + QString::number(row);
                break;
            }
        }
    }
    for (int row = 1; row <= ed.table.channelCount(); ++row)
        ed.table.setCell(ColNumber, row, QString::number(row));
}

} // namespace tolvin
