// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/channel_rows.h"

#include "layout/image_layout.h"
#include "report/checked_editor.h"
#include "table/repeater.h"

#include <functional>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

constexpr int Channels = 5;

// Which original channel stands in each row, told by its receive frequency (or the one its
// marker displaced): "3 1 2 4 5".
QString origins(const Editor &ed, const Editor &original) {
    QStringList out;
    for (int row = 1; row <= ed.table.channelCount(); ++row) {
        const QString rx = ed.table.displaced(ColRx, row).value_or(ed.table.cell(ColRx, row));
        for (int from = 1; from <= original.table.channelCount(); ++from)
            if (original.table.cell(ColRx, from) == rx)
                out << QString::number(from);
    }
    return out.join(QLatin1Char(' '));
}

QString numbers(const Editor &ed) {
    QStringList out;
    for (int row = 1; row <= ed.table.channelCount(); ++row)
        out << ed.table.cell(ColNumber, row);
    return out.join(QLatin1Char(' '));
}

struct Case {
    const char *what;
    std::function<void(Editor &)> before;
    std::function<std::optional<ChannelRange>(Editor &, Operator &)> action;
    QString origins;   // empty: the table is unchanged
    QString numbers;
    std::optional<ChannelRange> result;
    QString message;   // part of what the technician is told
};

const auto none = [](Editor &) {};
const auto shuffleRx = [](Editor &ed) {
    // Receive frequencies 3, 1, not a number, 2, 1 (in tens of kHz above 150000): ties and a
    // cell that sorts last.
    const QStringList rx{"150030", "150010", "abc", "150020", "150010"};
    for (int row = 1; row <= Channels; ++row)
        ed.table.setCell(ColRx, row, rx[row - 1]);
    ed.table.setCell(ColTx, 3, QString());
};

} // namespace

TEST(ChannelRows, EachActionMovesWholeChannelsAndSaysWhyWhenItCannot) {
    const std::vector<Case> cases{
        {"insert copies the row above itself", none, [](Editor &ed, Operator &op) { return insertChannel(ed, 3, op); },
         "1 2 3 3 4 5", "1 2 3 3 4 5", ChannelRange{3, 3}, {}},
        {"insert at the limit", [](Editor &ed) { ed.table.setRowCount(MaxChannels + 1); },
         [](Editor &ed, Operator &op) { return insertChannel(ed, 1, op); }, {}, {}, std::nullopt,
         QString::number(MaxChannels)},
        {"delete a block", none, [](Editor &ed, Operator &op) { return deleteChannels(ed, {4, 2}, op); }, "1 5", "1 5",
         ChannelRange{2, 2}, {}},
        {"delete every channel", none, [](Editor &ed, Operator &op) { return deleteChannels(ed, {1, Channels}, op); }, {},
         {}, std::nullopt, QStringLiteral("хотя бы один")},
        {"move a block up", none, [](Editor &ed, Operator &) { return moveChannels(ed, {3, 4}, -1); }, "1 3 4 2 5",
         "1 3 4 2 5", ChannelRange{2, 3}, {}},
        {"move a block down", none, [](Editor &ed, Operator &) { return moveChannels(ed, {1, 2}, +1); }, "3 1 2 4 5",
         "3 1 2 4 5", ChannelRange{2, 3}, {}},
        {"move past the bottom", none, [](Editor &ed, Operator &) { return moveChannels(ed, {4, Channels}, +1); }, {}, {},
         std::nullopt, {}},
        {"sort by receive: stable, a non-number last", shuffleRx,
         [](Editor &ed, Operator &) { sortChannelsByReceive(ed); return std::optional<ChannelRange>(); }, {},
         "2 5 4 1 3", std::nullopt, {}},
        {"sort by number", [](Editor &ed) { ed.table.setCell(ColNumber, 1, QStringLiteral("9")); ed.table.setCell(ColNumber, 2, QStringLiteral("x")); },
         [](Editor &ed, Operator &) { sortChannelsByNumber(ed); return std::optional<ChannelRange>(); }, "3 4 5 1 2",
         "3 4 5 9 x", std::nullopt, {}},
        {"renumber: the special channel follows", [](Editor &ed) {
             ed.table.setCell(ColNumber, 4, QStringLiteral("40"));
             for (QString &line : ed.memo)
                 if (line.startsWith(QStringLiteral("СК=")))
                     line = QStringLiteral("СК=40");
         },
         [](Editor &ed, Operator &) { renumberChannels(ed); return std::optional<ChannelRange>(); }, "1 2 3 4 5",
         "1 2 3 4 5", std::nullopt, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Editor ed = checkedEditor(Channels);
        c.before(ed);
        const Editor before = ed;
        BatchOperator op;
        EXPECT_EQ(c.action(ed, op), c.result);
        if (c.origins.isEmpty() && c.numbers.isEmpty()) {
            EXPECT_EQ(ed.table, before.table);
        } else {
            if (!c.origins.isEmpty()) {
                EXPECT_EQ(origins(ed, before), c.origins);
            }
            EXPECT_EQ(numbers(ed), c.numbers);
            EXPECT_EQ(ed.state.PrevRowCount, ed.table.rowCount());
        }
        EXPECT_EQ(op.lastMessage().isEmpty(), c.message.isEmpty()) << op.lastMessage().toStdString();
        EXPECT_TRUE(op.lastMessage().contains(c.message)) << op.lastMessage().toStdString();
        if (QString(c.what).startsWith(QStringLiteral("renumber"))) {
            EXPECT_TRUE(ed.memo.contains(QStringLiteral("СК=4")));
        }
    }
}

// A repeater channel moved or sorted keeps its marker, the frequency the marker displaced and
// its boxes.
TEST(ChannelRows, ARepeaterChannelKeepsItsMarkerAndBoxes) {
    Editor ed = checkedEditor(Channels);
    BatchOperator op;
    ASSERT_TRUE(writeRepeater(ed, QStringLiteral("2"), RepeaterMode::Transmit, op)) << op.lastMessage().toStdString();
    ed.table.setFlag(ColScan, 2, false);
    const QString rx = *ed.table.displaced(ColRx, 2);
    ASSERT_EQ(moveChannels(ed, {2, 2}, +1), (ChannelRange{3, 3}));
    sortChannelsByReceive(ed);
    EXPECT_EQ(ed.table.cell(ColRx, 2), receiveMarker());
    EXPECT_EQ(ed.table.displaced(ColRx, 2), rx);
    EXPECT_FALSE(ed.table.flag(ColScan, 2));
    EXPECT_TRUE(ed.table.flag(ColScan, 3));
}
