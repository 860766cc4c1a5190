// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/docx_writer.h"

#include "common/errors.h"
#include "report/checked_editor.h"
#include "report/docx_view.h"
#include "report/protocol.h"
#include "report/zip_package.h"

#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

TEST(DocxWriterTest, PackageHoldsTheWordProcessingParts) {
    const DocxView v = readDocx(docxBytes(buildReport(checkedEditor(2), QStringLiteral("S"))));
    EXPECT_EQ(v.xmlError, QString());
    EXPECT_EQ(v.parts.keys(), (QStringList{"[Content_Types].xml", "_rels/.rels", "word/_rels/document.xml.rels",
                                           "word/document.xml", "word/settings.xml", "word/styles.xml"}));
    const QByteArray types = v.parts.value(QStringLiteral("[Content_Types].xml"));
    EXPECT_TRUE(types.contains("PartName=\"/word/document.xml\" ContentType=\"application/"
                               "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\""));
    EXPECT_TRUE(v.parts.value(QStringLiteral("_rels/.rels")).contains("Target=\"word/document.xml\""));
}

TEST(DocxWriterTest, PageFontsAndWidthsReadBack) {
    Editor ed = checkedEditor(31);
    ed.table.setCell(ColRx, 3, QStringLiteral("РЕТР_ПП"));
    const DocxView v = readDocx(docxBytes(buildReport(ed, QStringLiteral("S7K61-12345"))));

    // A4 landscape; margins 25, 25, 75, 67 points in twentieths.
    EXPECT_EQ(v.pageSize.value("w:w"), "16838");
    EXPECT_EQ(v.pageSize.value("w:h"), "11906");
    EXPECT_EQ(v.pageSize.value("w:orient"), "landscape");
    EXPECT_EQ(v.pageMargins.value("w:left"), "500");
    EXPECT_EQ(v.pageMargins.value("w:right"), "500");
    EXPECT_EQ(v.pageMargins.value("w:top"), "1500");
    EXPECT_EQ(v.pageMargins.value("w:bottom"), "1340");
    EXPECT_EQ(v.docLang, "ru-RU");
    EXPECT_EQ(v.docFont, "Times New Roman");

    // Title block: centred, bold, 20 pt (40 half-points).
    ASSERT_GE(v.paras.size(), 3u);
    EXPECT_EQ(v.paras[0].text, QStringLiteral("Радиостанция серии \"Толвин\""));
    EXPECT_EQ(v.paras[1].text, QStringLiteral("S7K61-12345"));
    for (int i : {0, 1}) {
        EXPECT_EQ(v.paras[size_t(i)].jc, "center");
        EXPECT_EQ(v.paras[size_t(i)].sizes, QStringList{"40"});
        EXPECT_EQ(v.paras[size_t(i)].bolds, QList<bool>{true});
    }
    // Settings block: an empty 12-pt paragraph, then every line, left, 12 pt, not bold.
    EXPECT_EQ(v.paras[2].text, QString());
    EXPECT_EQ(v.paras[2].markSize, "24");
    for (qsizetype i = 0; i < ed.memo.size(); ++i) {
        const ParaView &p = v.paras[size_t(3 + i)];
        EXPECT_EQ(p.text, ed.memo.at(i));
        EXPECT_EQ(p.jc, "left");
        EXPECT_EQ(p.sizes, QStringList{"24"});
        EXPECT_EQ(p.bolds, QList<bool>{false});
    }
    EXPECT_EQ(v.tableAt, 3 + ed.memo.size() + 1);

    // Table: widths in twentieths of a point, header rows 11 pt bold, channel cells 12 pt.
    const QStringList widths{"460", "1240", "1240", "1380", "1380", "1080", "1080", "1020", "980",
                             "640", "740",  "760",  "740",  "660",  "480",  "920",  "720",  "620"};
    EXPECT_EQ(v.gridCols, widths);
    ASSERT_EQ(v.rows.size(), 33u);
    for (size_t r = 0; r < v.rows.size(); ++r) {
        ASSERT_EQ(v.rows[r].size(), 18u);
        const bool header = r == 0 || r == 31;
        for (size_t c = 0; c < 18; ++c) {
            const CellView &cell = v.rows[r][c];
            EXPECT_EQ(cell.width, widths[qsizetype(c)]);
            ASSERT_EQ(cell.paras.size(), 1u);
            EXPECT_EQ(cell.paras[0].jc, "center");
            EXPECT_EQ(cell.paras[0].pageBreakBefore, r == 0); // the table starts a page
            EXPECT_EQ(cell.paras[0].markSize, header ? "22" : "24") << r << ',' << c;
            if (!cell.paras[0].text.isEmpty()) {
                EXPECT_EQ(cell.paras[0].sizes, QStringList{header ? "22" : "24"}) << r << ',' << c;
                EXPECT_EQ(cell.paras[0].bolds, QList<bool>{header}) << r << ',' << c;
            }
        }
    }
    EXPECT_EQ(v.rows[0][7].text(), QStringLiteral("Tон_Rx"));
    EXPECT_EQ(v.rows[31][10].text(), QStringLiteral("Pmin"));
    EXPECT_EQ(v.rows[3][1].text(), QStringLiteral("РЕТР_ПП"));
    EXPECT_EQ(v.rows[32][0].text(), QStringLiteral("31"));
}

// Text from a settings file may carry characters XML cannot hold; the file must still open.
TEST(DocxWriterTest, AnyTextKeepsTheFileWellFormed) {
    Document d;
    d.typeText(QStringLiteral("a\tb") + QChar(0x01) + QStringLiteral("<&>\"'") + QChar(0xFFFE) + QStringLiteral("\r"));
    Table &t = d.addTable(1, 2);
    t.cell(1, 1).text = QStringLiteral("x\r\ny") + QChar(0x1F);
    t.cell(1, 2).text = QStringLiteral("  blanks  ");
    const DocxView v = readDocx(docxBytes(d));
    EXPECT_EQ(v.xmlError, QString());
    EXPECT_EQ(v.paras[0].text, QStringLiteral("a\tb\uFFFD<&>\"'\uFFFD"));
    EXPECT_EQ(v.rows[0][0].paras.size(), 2u);
    EXPECT_EQ(v.rows[0][0].text(), QStringLiteral("x\ny\uFFFD"));
    EXPECT_EQ(v.rows[0][1].text(), QStringLiteral("  blanks  "));
    // Columns without a width share the line of a new portrait page: 11906 - 1700 - 850 twips.
    EXPECT_EQ(v.gridCols, (QStringList{"4678", "4678"}));
}

TEST(ZipPackageTest, RoundTripAndRefusals) {
    const QByteArray big(200000, 'x');
    const std::vector<std::pair<QString, QByteArray>> parts{
        {QStringLiteral("a.xml"), QByteArray("<a/>")}, {QStringLiteral("dir/пусто"), QByteArray()},
        {QStringLiteral("big"), big}};
    const QByteArray zip = zipPackage(parts);
    EXPECT_TRUE(zip.startsWith("PK\x03\x04"));
    EXPECT_LT(zip.size(), 5000); // deflated
    EXPECT_EQ(unzipPackage(zip), parts);
    EXPECT_THROW(unzipPackage(QByteArray("not a zip")), AppError);
    EXPECT_THROW(unzipPackage(zip.left(zip.size() / 2)), AppError);
}
