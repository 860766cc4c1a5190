// SPDX-License-Identifier: GPL-3.0-or-later
// The report opened by a real word processor: LibreOffice converts a 99-channel report to PDF.
// Skipped where LibreOffice is not installed.
#include "report/checked_editor.h"
#include "report/docx_writer.h"
#include "report/protocol.h"
#include "common/file_io.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

TEST(LibreOfficeTest, NinetyNineChannelReportConvertsToPdf) {
    QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (office.isEmpty())
        office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        GTEST_SKIP() << "libreoffice is not installed; the report is not converted to PDF";

    QTemporaryDir dir;
    const QString docx = dir.filePath(QStringLiteral("Протокол S7K61-12345.docx"));
    writeFileAtomically(docx, docxBytes(buildReport(checkedEditor(99), QStringLiteral("S7K61-12345"))));

    QProcess p;
    // A profile of its own, so that a running office or another test run does not interfere.
    p.start(office, {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(dir.filePath(QStringLiteral("profile"))).toString(),
                     QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                     QStringLiteral("--outdir"), dir.path(), docx});
    ASSERT_TRUE(p.waitForStarted(10000));
    if (!p.waitForFinished(180000)) {
        p.kill();
        p.waitForFinished();
        FAIL() << "libreoffice did not finish within three minutes";
    }
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QFile pdf(dir.filePath(QStringLiteral("Протокол S7K61-12345.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << p.readAllStandardOutput().toStdString()
                                               << p.readAllStandardError().toStdString();
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    // Landscape A4 pages, 842 x 595 points: the settings page, then 30 channels under one header
    // on each page of the table.
    const QString text = QString::fromLatin1(bytes);
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0 0 841\\.\\d+ 595\\."))))
        << "no landscape A4 page box";
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))), 5);
}
