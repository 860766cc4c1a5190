// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/errors.h"
#include "table/lists.h"

#include <gtest/gtest.h>

using namespace tolvin;

TEST(Lists, SizesAndDuplicatesStayInPlace) {
    ASSERT_EQ(ToneList().size(), 56);
    ASSERT_EQ(DcsList().size(), 85);
    EXPECT_EQ(columnHeaders().size(), ColumnCount);
    for (int pos : {1, 34})
        EXPECT_EQ(ToneList()[pos], QStringLiteral("67,0"));
    for (auto [a, b] : {std::pair{2, 35}, {3, 37}, {4, 39}, {5, 41}})
        EXPECT_EQ(ToneList()[a], ToneList()[b]);
    EXPECT_EQ(ToneList()[55], QStringLiteral("254,1"));
    EXPECT_EQ(DcsList()[84], QStringLiteral("754"));
    EXPECT_EQ(fileColumnHeaders()[ColTx], QStringLiteral(" Tx, кГЦ"));
    EXPECT_EQ(columnHeaders()[ColSpacing], QStringLiteral("  SW"));
}

TEST(Lists, EditorOfEachColumn) {
    const int expected[ColumnCount] = {0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 5, 5, 0, 6, 0, 8, 7, 0};
    for (int col = 0; col < ColumnCount; ++col) {
        const ListEditor *e = listEditorForColumn(col);
        EXPECT_EQ(e ? int(e->kind) + 1 : 0, expected[col]) << col;
        EXPECT_EQ(isTypedColumn(col), col <= 2) << col;
    }
    EXPECT_EQ(listEditors()[6].items.size(), 16);
    EXPECT_EQ(listEditors()[2].items.size(), 11);
}

TEST(Lists, Preselection) {
    struct Case { ListKind kind; const char16_t *text; int expected; };
    const Case cases[] = {
        {ListKind::ComboBox1, u"67,0", 34},   // the last equal entry wins
        {ListKind::ComboBox1, u"82,5", 39},
        {ListKind::ComboBox1, u"254,1", 55},
        {ListKind::ComboBox1, u"Нет", 0},
        {ListKind::ComboBox1, u"66,6", -1},   // not in the list: no selection
        {ListKind::ComboBox2, u"023", 1},
        {ListKind::ComboBox2, u"999", -1},
        {ListKind::ComboBox3, u"Нет", 0},
        {ListKind::ComboBox3, u"10", 10},
        {ListKind::ComboBox3, u"11", -1},     // out of range: no selection
        {ListKind::ComboBox4, u"1", 0},
        {ListKind::ComboBox4, u"6", 5},
        {ListKind::ComboBox4, u"0", -1},
        {ListKind::ComboBox5, u"4", 3},
        {ListKind::ComboBox5, u"5", -1},
        {ListKind::ComboBox6, u"25", 1},
        {ListKind::ComboBox6, u"12,5", 0},
        {ListKind::ComboBox6, u"anything", -1},
        {ListKind::ComboBox7, u"Нет", 0},
        {ListKind::ComboBox7, u"15", 15},
        {ListKind::ComboBox8, u"Норм", 0},
        {ListKind::ComboBox8, u"RSSI", 1},
        {ListKind::ComboBox8, u"OFF", 2},
        {ListKind::ComboBox8, u"off", -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(preselectItem(c.kind, QString::fromUtf16(c.text)), c.expected)
            << int(c.kind) + 1 << " " << QString::fromUtf16(c.text).toStdString();
}

TEST(Lists, IntegerListsRejectOtherTexts) {
    for (ListKind k : {ListKind::ComboBox3, ListKind::ComboBox4, ListKind::ComboBox5, ListKind::ComboBox7})
        EXPECT_THROW(preselectItem(k, QStringLiteral("abc")), ConversionError);
    EXPECT_THROW(preselectItem(ListKind::ComboBox4, QStringLiteral("Нет")), ConversionError);
}

TEST(Lists, CellPlaceNamesTheChannelAndTheHeaderWithoutItsBlanks) {
    struct Case { int col, row; const char16_t *place; };
    const Case cases[] = {
        {ColRx, 5, u"Канал 5, Rx, кГц"}, {ColTx, 1, u"Канал 1, Tx, кГц"}, {ColNoise, 2, u"Канал 2, ШП"},
        {ColSpacing, 99, u"Канал 99, SW"}, {ColNumber, 3, u"Канал 3, № кан."},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cellPlace(c.col, c.row), QString::fromUtf16(c.place));
    try {
        preselectItem(ListKind::ComboBox3, QStringLiteral("7x"), cellPlace(ColToneRx, 4));
        ADD_FAILURE() << "no error";
    } catch (const ConversionError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Канал 4, Тон_Rx: «7x» не является целым числом"));
    }
}
