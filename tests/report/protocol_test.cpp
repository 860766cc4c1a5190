// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/protocol.h"

#include "common/errors.h"
#include "report/checked_editor.h"

#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

const QStringList Headers{"№",      "Прием",  "Передача", "CTCSS_Rx", "CTCSS_Tx", "DCS_Rx",
                          "DCS_Tx", "Tон_Rx", "Tон_Tx",   "ШП",       "Pmin",     "Pmax",
                          "Скан",   "Sw",     "Id",       "Tx_Off",   "Time",     "Акт"};

QStringList rowTexts(const Table &t, int row) {
    QStringList l;
    for (int c = 1; c <= t.columns(); ++c)
        l << t.cell(row, c).text;
    return l;
}

std::vector<const Paragraph *> paragraphs(const Document &d) {
    std::vector<const Paragraph *> l;
    for (const auto &b : d.body())
        if (const auto *p = std::get_if<Paragraph>(&b))
            l.push_back(p);
    return l;
}

} // namespace

TEST(ProtocolTest, HeaderRowsRepeatBeforeChannels31_61_91) {
    struct Case { int channels; int rows; std::vector<int> headers; };
    const Case cases[] = {
        {1, 2, {1}},
        {30, 31, {1}},
        {31, 33, {1, 32}},
        {60, 62, {1, 32}},
        {61, 64, {1, 32, 63}},
        {99, 103, {1, 32, 63, 94}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.channels);
        Editor ed = checkedEditor(c.channels);
        Document d = buildReport(ed, QStringLiteral("S7K61-12345"));
        const Table &t = d.table(1);
        ASSERT_EQ(t.rows(), c.rows);
        ASSERT_EQ(t.columns(), 18);
        EXPECT_EQ(reportRowCount(c.channels), c.rows);
        std::vector<int> headers;
        int channel = 0;
        for (int r = 1; r <= t.rows(); ++r) {
            const bool header = rowTexts(t, r) == Headers;
            EXPECT_EQ(isReportHeaderRow(r), header) << "row " << r;
            if (header) {
                headers.push_back(r);
                for (int col = 1; col <= 18; ++col)
                    EXPECT_EQ(t.cell(r, col).format, (CharFormat{true, 11})) << r << ',' << col;
                continue;
            }
            ++channel;
            EXPECT_EQ(reportRowOfChannel(channel), r);
            EXPECT_EQ(t.cell(r, 1).text, QString::number(channel));
            EXPECT_EQ(t.cell(r, 1).format, (CharFormat{false, 12}));
        }
        EXPECT_EQ(headers, c.headers);
        EXPECT_EQ(channel, c.channels);
    }
}

TEST(ProtocolTest, CellsAsTheTableHoldsThemWhenCreated) {
    Editor ed = checkedEditor(3);
    ChannelTable &g = ed.table;
    // Edits after the check show: the report reads the table when it is made.
    g.setCell(ColRx, 2, QStringLiteral("РЕТР_ПП"));
    g.setCell(ColCtcRx, 2, QStringLiteral("67,0"));
    g.setCell(ColDcsTx, 2, QStringLiteral("023"));
    g.setCell(ColToneRx, 2, QStringLiteral("7"));
    g.setCell(ColNoise, 2, QStringLiteral("3"));
    g.setCell(ColPmax, 2, QStringLiteral("3"));
    g.setCell(ColPmin, 2, QStringLiteral("2"));
    g.setCell(ColSpacing, 2, QStringLiteral("12,5"));
    g.setCell(ColTxOff, 2, QStringLiteral("RSSI"));
    g.setCell(ColTime, 2, QStringLiteral("15"));
    g.setFlag(ColScan, 2, false);
    g.setFlag(ColIdTone, 2, true);
    g.setFlag(ColActive, 2, false);
    g.setFlag(ColIdTone, 3, true);

    const Document report = buildReport(ed, QStringLiteral("X"));
    const Table &t = report.table(1);
    EXPECT_EQ(rowTexts(t, 2), (QStringList{"1", "150000", "150000", "Нет", "Нет", "Нет", "Нет", "Нет", "Нет", "1",
                                           "1", "4", "+", "25", "-", "Норм", "Нет", "+"}));
    EXPECT_EQ(rowTexts(t, 3), (QStringList{"2", "РЕТР_ПП", "150012,5", "67,0", "Нет", "Нет", "023", "7", "Нет", "3",
                                           "2", "3", "-", "12,5", "+", "RSSI", "15", "-"}));
    EXPECT_EQ(t.cell(4, 15).text, QStringLiteral("+"));
}

TEST(ProtocolTest, ChannelCountIsTheChecked) {
    Editor ed = checkedEditor(5);
    ed.table.setRowCount(4); // three channel rows left, the check counted five
    const Document report = buildReport(ed, QStringLiteral("X"));
    const Table &t = report.table(1);
    ASSERT_EQ(t.rows(), 6);
    EXPECT_EQ(t.cell(6, 1).text, QString());
    EXPECT_EQ(t.cell(6, 13).text, QStringLiteral("-"));
}

TEST(DocumentTest, TypedTextBreaksIntoParagraphs) {
    Document d;
    d.setBold(true);
    d.typeText(QStringLiteral("a\rb\r\nc\nd"));
    d.setBold(false);
    d.typeText(QStringLiteral("e\r"));
    const auto paras = paragraphs(d);
    ASSERT_EQ(paras.size(), 5u);
    EXPECT_EQ(paras[3]->text(), QStringLiteral("de"));
    ASSERT_EQ(paras[3]->runs.size(), 2u);
    EXPECT_TRUE(paras[3]->runs[0].format.bold);
    EXPECT_FALSE(paras[3]->runs[1].format.bold);
    EXPECT_EQ(paras[4]->text(), QString());

    Table &t = d.addTable(2, 3);
    EXPECT_THROW(t.cell(3, 1), AppError);
    EXPECT_THROW(t.cell(1, 0), AppError);
    EXPECT_THROW(d.addTable(0, 18), AppError);
    EXPECT_THROW(d.table(2), AppError);
}
