// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_file.h"

#include "report/checked_editor.h"
#include "report/docx_view.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

TEST(ReportFileTest, NameAfterTheSerialNumber) {
    struct Case { QString serial; QString name; };
    const Case cases[] = {
        {QStringLiteral("S7K61-12345"), QStringLiteral("Протокол S7K61-12345.docx")},
        {QString(), QStringLiteral("Протокол.docx")},
        {QStringLiteral("   "), QStringLiteral("Протокол.docx")},
        {QStringLiteral(" 7К-61 № 5 "), QStringLiteral("Протокол 7К-61 № 5.docx")},
        {QStringLiteral("../../etc/passwd"), QStringLiteral("Протокол .._.._etc_passwd.docx")},
        {QStringLiteral("a\\b:c*d?e\"f<g>h|i"), QStringLiteral("Протокол a_b_c_d_e_f_g_h_i.docx")},
        {QStringLiteral("x\ty\nz") + QChar(0x7F), QStringLiteral("Протокол x_y_z_.docx")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(reportFileName(c.serial), c.name) << c.serial.toStdString();

    const QString longName = reportFileName(QString(300, QChar(u'Я')));
    EXPECT_LE(longName.toUtf8().size(), 255);
    EXPECT_TRUE(longName.startsWith(QStringLiteral("Протокол ЯЯЯ")));
    EXPECT_TRUE(longName.endsWith(QStringLiteral("Я.docx")));
}

TEST(ReportFileTest, EveryReportInANewFolder) {
    QTemporaryDir parent;
    const Editor ed = checkedEditor(4);
    const QString first = createReportFile(ed, QStringLiteral("S7K61-12345"), parent.path());
    const QString second = createReportFile(ed, QStringLiteral("S7K61-12345"), parent.path());
    EXPECT_NE(first, second);
    for (const QString &path : {first, second}) {
        const QFileInfo info(path);
        EXPECT_EQ(info.fileName(), QStringLiteral("Протокол S7K61-12345.docx"));
        EXPECT_EQ(QFileInfo(info.absolutePath()).absolutePath(), QFileInfo(parent.path()).absoluteFilePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(readDocx(f.readAll()).rows.size(), 5u);
        // Only the document itself is in its folder.
        EXPECT_EQ(QDir(info.absolutePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{info.fileName()});
    }
}
