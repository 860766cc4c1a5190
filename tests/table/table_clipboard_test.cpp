// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/delimited_text.h"
#include "support/recording_operator.h"
#include "table/table_clipboard.h"
#include "table/template.h"

#include <gtest/gtest.h>

using namespace tolvin;

namespace {

Editor templateOf(int count) {
    Editor ed;
    selectBand(ed, 2);
    ed.templ = {QString::number(count), QStringLiteral("150000"), QStringLiteral("12,5")};
    test::RecordingOperator op;
    EXPECT_TRUE(createTemplate(ed, op));
    return ed;
}

} // namespace

TEST(TableClipboard, CopyGivesSpreadsheetText) {
    Editor ed = templateOf(3);
    ed.table.setFlag(ColScan, 2, false);
    EXPECT_EQ(copyCells(ed.table, ColRx, 1, ColCtcRx, 2),
              QStringLiteral("150000\t150000\tНет\r\n150012,5\t150012,5\tНет\r\n"));
    EXPECT_EQ(copyCells(ed.table, ColPmin, 2, ColSpacing, 2), QStringLiteral("1\t-\t25\r\n"));
}

TEST(TableClipboard, PasteTakesOnlyWhatEachColumnTakes) {
    Editor ed = templateOf(3);
    // A block from a spreadsheet: CR LF, a trailing break, a quoted cell, a bad list value, a
    // check box as "нет", and one row and one column too many.
    const QString block = QStringLiteral("150025\t150025\t88,5\t99,9\r\n\"150037,5\"\t150050\t67,0\tНет\r\n"
                                         "150062,5\t150062,5\t71,9\t023\r\n150075\t150075\tНет\tНет\r\n");
    const PasteOutcome out = pasteCells(ed.table, ColRx, 1, parseDelimited(block, '\t'));
    EXPECT_EQ(ed.table.cell(ColRx, 1), QStringLiteral("150025"));
    EXPECT_EQ(ed.table.cell(ColCtcRx, 1), QStringLiteral("88,5"));
    EXPECT_EQ(ed.table.cell(ColCtcTx, 1), QStringLiteral("Нет")) << "99,9 is not a tone";
    EXPECT_EQ(ed.table.cell(ColRx, 2), QStringLiteral("150037,5"));
    EXPECT_EQ(ed.table.cell(ColCtcTx, 3), QStringLiteral("Нет")) << "023 is not a tone";
    EXPECT_EQ(out.refused, (QStringList{QStringLiteral("строка 1, CTC_Tx: «99,9»"), QStringLiteral("строка 3, CTC_Tx: «023»")}));
    EXPECT_EQ(out.cutOff, 4) << "the fourth row is past the table";
    EXPECT_EQ(out.written, 10);
    EXPECT_TRUE(out.message().contains(QStringLiteral("строка 1, CTC_Tx: «99,9»")));
    EXPECT_TRUE(out.message().contains(QStringLiteral("Не поместилось в таблицу значений: 4")));

    const PasteOutcome boxes = pasteCells(ed.table, ColScan, 1, parseDelimited(QStringLiteral("нет\t25\t+\r\nда\t12,5\tx\n"), '\t'));
    EXPECT_FALSE(ed.table.flag(ColScan, 1));
    EXPECT_TRUE(ed.table.flag(ColIdTone, 1));
    EXPECT_TRUE(ed.table.flag(ColScan, 2));
    EXPECT_EQ(ed.table.cell(ColSpacing, 2), QStringLiteral("12,5"));
    EXPECT_EQ(boxes.refused.size(), 1);
    // Typed columns take any one-line text, as typing does; a line break is refused.
    const PasteOutcome typed = pasteCells(ed.table, ColNumber, 3, {{QStringLiteral("x7")}, {QStringLiteral("a\nb")}});
    EXPECT_EQ(ed.table.cell(ColNumber, 3), QStringLiteral("x7"));
    EXPECT_EQ(typed.cutOff, 1);
}
