// SPDX-License-Identifier: GPL-3.0-or-later
// The report as PDF: landscape A4 pages, thirty channels under a header row on each page of the
// table, read back with pdftotext (poppler-utils) where it is installed.
#include "report/report_pdf.h"

#include "common/errors.h"
#include "layout/image_layout.h"
#include "report/checked_editor.h"
#include "report/protocol.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

// The text of each page, or nothing where pdftotext is missing.
std::optional<QStringList> pageTexts(const QString &pdf) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    pages.removeLast();  // after the last page's form feed
    return pages;
}

// Each page from `first` on opens with the header line, and only there; the rows' numbers run
// 1, 2, ... `rows`, each once. A line that does not start with a number carries on a cell.
void expectRowsUnderHeader(const QStringList &pages, int first, const QString &header, int rows) {
    QList<int> numbers;
    for (qsizetype page = first; page < pages.size(); ++page) {
        QStringList lines = pages.at(page).split(QLatin1Char('\n'));
        lines.removeIf([](const QString &l) { return l.trimmed().isEmpty(); });
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.takeFirst().simplified(), header) << "page " << page + 1;
        for (const QString &line : lines) {
            EXPECT_NE(line.simplified(), header) << "page " << page + 1;
            bool isNumber = false;
            const int n = line.simplified().section(QLatin1Char(' '), 0, 0).toInt(&isNumber);
            if (isNumber)
                numbers << n;
        }
    }
    QList<int> expected;
    for (int n = 1; n <= rows; ++n)
        expected << n;
    EXPECT_EQ(numbers, expected);
}

int pageCount(const QString &pdf) {
    QFile f(pdf);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QString bytes = QString::fromLatin1(f.readAll());
    EXPECT_TRUE(bytes.startsWith(QLatin1String("%PDF-")));
    return int(bytes.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

} // namespace

TEST(ReportPdfTest, ChannelsOnLandscapeA4PagesUnderTheHeader) {
    QStringList header;
    for (const ReportColumn &c : reportColumns())
        header << QString::fromUtf16(c.header);
    const QString serial = QStringLiteral("S7K61-12345");
    bool read = false;
    // One page short of a header, one page full, one channel past it, the whole table.
    for (const int channels : {1, 30, 31, MaxChannels}) {
        SCOPED_TRACE(channels);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Протокол.pdf"));
        writeReportPdf(checkedEditor(channels), serial, path);
        // The settings page, then a page for every header row of the document, all landscape A4.
        int headers = 0;
        for (int r = 1; r <= reportRowCount(channels); ++r)
            headers += isReportHeaderRow(r);
        const int pages = pageCount(path);
        EXPECT_EQ(pages, 1 + headers);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromLatin1(f.readAll())
                      .count(QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0 0 84[12](\\.\\d+)? 595[\\s.]"))),
                  pages)
            << "not every page is landscape A4";

        const std::optional<QStringList> texts = pageTexts(path);
        if (!texts)
            continue;
        read = true;
        ASSERT_EQ(texts->size(), pages);
        EXPECT_TRUE(texts->first().contains(serial));
        expectRowsUnderHeader(*texts, 1, header.join(QLatin1Char(' ')), channels);
    }
    if (!read)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed; the pages' text was not read";
}

TEST(ReportPdfTest, TableWithoutRepeatsGetsItsHeaderOnEveryPage) {
    // A page breaks in the middle of a table that does not repeat its header itself, below a
    // paragraph that wraps and above a row of two lines.
    Document doc;
    doc.typeText(QStringLiteral("слово ").repeated(100) + QLatin1Char('\r'));
    const int rows = 80;
    Table &t = doc.addTable(rows + 1, 2);
    t.cell(1, 1) = {QStringLiteral("№"), {true, 11}};
    t.cell(1, 2) = {QStringLiteral("Текст"), {true, 11}};
    for (int r = 1; r <= rows; ++r)
        t.cell(r + 1, 1).text = QString::number(r);
    t.cell(10, 2).text = QStringLiteral("две\nстроки");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("таблица.pdf"));
    writeReportPdf(doc, path);
    EXPECT_GE(pageCount(path), 2);
    const std::optional<QStringList> texts = pageTexts(path);
    if (!texts)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed; the pages' text was not read";
    // The paragraph, then the table under its header on the same page.
    QStringList tablePages = *texts;
    ASSERT_TRUE(tablePages.first().contains(QStringLiteral("слово")));
    tablePages.first().remove(0, tablePages.first().indexOf(QStringLiteral("№")));
    expectRowsUnderHeader(tablePages, 0, QStringLiteral("№ Текст"), rows);
}

TEST(ReportPdfTest, FailedWriteNamesThePathAndLeavesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("нет такой папки/Протокол.pdf"));
    try {
        writeReportPdf(checkedEditor(1), QStringLiteral("S7K61-12345"), path);
        FAIL() << "no error";
    } catch (const IoError &e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(path))) << e.message().toStdString();
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}
