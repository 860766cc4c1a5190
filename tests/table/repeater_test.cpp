// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/repeater.h"

#include "common/errors.h"
#include "common/numbers.h"
#include "report/checked_editor.h"
#include "settings_file/settings_file.h"
#include "support/recording_operator.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

const QString PP = QStringLiteral("РЕТР_ПП");
const QString PR = QStringLiteral("РЕТР_ПР");
constexpr auto Rx = RepeaterMode::Receive;
constexpr auto Tx = RepeaterMode::Transmit;

// Frequency text of channel row r in the checked ten-channel template: 150000 + 12,5 (r - 1).
QString freq(int r) { return floatToStr(150000 + 12.5 * (r - 1)); }

struct Press {
    const char *channel;
    RepeaterMode mode;
};

struct Expect {
    int row;
    QString rx, tx;
    bool scan;
};

struct Case {
    const char *what;
    std::function<void(Editor &)> before;  // after the check, before the presses
    std::vector<Press> presses;
    QStringList messages;
    std::vector<Expect> rows;
};

} // namespace

TEST(RepeaterTest, MarksTheChannelFoundInTheRecordsOfTheLastCheck) {
    const QString notFound = QStringLiteral("Такого номера канала нет в таблице !!!");
    const Case cases[] = {
        {"empty field", nullptr, {{"", Rx}}, {QStringLiteral("Вы не указали номер канала !!!")},
         {{5, freq(5), freq(5), true}}},
        {"channel 5 receive", nullptr, {{"5", Rx}}, {}, {{5, freq(5), PR, false}, {4, freq(4), freq(4), true}}},
        {"then transmit puts the frequency back", nullptr, {{"5", Rx}, {"5", Tx}}, {}, {{5, PP, freq(5), false}}},
        {"and back to receive", nullptr, {{"5", Rx}, {"5", Tx}, {"5", Rx}}, {}, {{5, freq(5), PR, false}}},
        {"261 is channel 5 by its low byte", nullptr, {{"261", Tx}}, {}, {{5, PP, freq(5), false}}},
        {"no such channel", nullptr, {{"300", Rx}}, {notFound}, {{5, freq(5), freq(5), true}}},
        // The displaced frequency belongs to its row: marking channel 7 in between must not
        // hand channel 7's frequency to channel 5.
        {"two channels", nullptr, {{"5", Rx}, {"7", Rx}, {"5", Tx}, {"7", Tx}}, {},
         {{5, PP, freq(5), false}, {7, PP, freq(7), false}}},
        {"two channels, other modes", nullptr, {{"3", Tx}, {"8", Rx}, {"3", Rx}, {"8", Tx}}, {},
         {{3, freq(3), PR, false}, {8, PP, freq(8), false}}},
        // Marking the same side twice keeps the frequency instead of saving the marker.
        {"same mode twice", nullptr, {{"5", Rx}, {"5", Rx}, {"5", Tx}}, {}, {{5, PP, freq(5), false}}},
        {"numbers as they stood at the check",
         [](Editor &ed) { ed.table.setCell(ColNumber, 5, QStringLiteral("50")); },
         {{"50", Rx}, {"5", Rx}}, {notFound}, {{5, freq(5), PR, false}}},
        {"first matching record", [](Editor &ed) {
             ed.table.setCell(ColNumber, 9, QStringLiteral("2"));
             BatchOperator op;
             ASSERT_TRUE(runDataCheck(ed, op));
         },
         {{"2", Rx}}, {}, {{2, freq(2), PR, false}, {9, freq(9), freq(9), true}}},
        // A marker that came with the table has no frequency behind it: the cell is left empty
        // for the next check to report, not filled with some other channel's frequency.
        {"marker from a file", [](Editor &ed) { ed.table.setCell(ColTx, 6, PR); },
         {{"5", Rx}, {"6", Tx}}, {}, {{6, PP, QString(), false}, {5, freq(5), PR, false}}},
        {"typed over the marker", [](Editor &ed) {
             BatchOperator op;
             writeRepeater(ed, QStringLiteral("5"), Rx, op);
             ed.table.setCell(ColTx, 5, QStringLiteral("151000"));
             ed.table.setCell(ColTx, 5, PR);
         },
         {{"5", Tx}}, {}, {{5, PP, QString(), false}}},
        {"table rebuilt with fewer rows", [](Editor &ed) {
             ed.templ.count = QStringLiteral("3");
             BatchOperator op;
             ASSERT_TRUE(createTemplate(ed, op));
         },
         {{"5", Rx}}, {notFound}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Editor ed = checkedEditor(10);
        if (c.before)
            c.before(ed);
        RecordingOperator op;
        for (const Press &p : c.presses) {
            ed.state.DataChecked = 1;
            writeRepeater(ed, QString::fromUtf8(p.channel), p.mode, op);
            EXPECT_EQ(ed.state.DataChecked, 0);
        }
        EXPECT_EQ(op.messages, c.messages);
        for (const Expect &e : c.rows) {
            EXPECT_EQ(ed.table.cell(ColRx, e.row), e.rx) << "row " << e.row;
            EXPECT_EQ(ed.table.cell(ColTx, e.row), e.tx) << "row " << e.row;
            EXPECT_EQ(ed.table.flag(ColScan, e.row), e.scan) << "row " << e.row;
        }
    }
}

TEST(RepeaterTest, MarkedTableStillPassesTheCheck) {
    Editor ed = checkedEditor(10);
    RecordingOperator op;
    ASSERT_TRUE(writeRepeater(ed, QStringLiteral("5"), Rx, op));
    ASSERT_TRUE(writeRepeater(ed, QStringLiteral("7"), Tx, op));
    ASSERT_TRUE(runDataCheck(ed, op)) << op.lastMessage().toStdString();
    EXPECT_EQ(ed.state.image.records[4][5], 0); // transmit word of channel 5
    EXPECT_EQ(ed.state.image.records[6][2], 0); // receive word of channel 7
}

// A file read replaces the table; a frequency displaced in the old one must not come back.
TEST(RepeaterTest, LoadedTableForgetsDisplacedFrequencies) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("marked.ini"));
    Editor ed = checkedEditor(10);
    RecordingOperator op;
    ASSERT_TRUE(writeRepeater(ed, QStringLiteral("5"), Rx, op));
    saveSettingsFile(ed, path);
    ed.table.setCell(ColRx, 5, QStringLiteral("160000"));
    loadSettingsFile(ed, path);
    ASSERT_TRUE(runDataCheck(ed, op));
    ASSERT_TRUE(writeRepeater(ed, QStringLiteral("5"), Tx, op));
    EXPECT_EQ(ed.table.cell(ColTx, 5), QString());
    EXPECT_EQ(ed.table.cell(ColRx, 5), PP);
}

TEST(RepeaterTest, NotANumberIsAConversionErrorNamingTheField) {
    for (const char *text : {"5a", "99999999999"}) {
        Editor ed = checkedEditor(3);
        RecordingOperator op;
        EXPECT_FALSE(runAction(op, [&] { writeRepeater(ed, QString::fromLatin1(text), Rx, op); })) << text;
        EXPECT_EQ(op.messages, QStringList{QStringLiteral("Номер канала: «%1» не является целым числом").arg(text)});
        EXPECT_EQ(ed.state.DataChecked, 0) << text;
    }
}
