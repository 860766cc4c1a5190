// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_run.h"

#include "report/docx_view.h"
#include "report/docx_writer.h"
#include "report/protocol.h"
#include "settings_file/settings_file.h"
#include "support/recording_operator.h"
#include "table/template.h"
#include "check/data_check.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

class CmdReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliPath().isEmpty())
            GTEST_SKIP() << "tolvin-cli is not built";
    }
    QString saved(int channels, const QString &rx1 = {}) {
        Editor ed;
        selectBand(ed, 2);
        ed.templ = {QString::number(channels), QStringLiteral("150000"), QStringLiteral("25")};
        RecordingOperator op;
        EXPECT_TRUE(createTemplate(ed, op));
        if (!rx1.isEmpty())
            ed.table.setCell(ColRx, 1, rx1);
        const QString path = dir.filePath(QStringLiteral("f%1.ini").arg(++files));
        saveSettingsFile(ed, path);
        return path;
    }
    QTemporaryDir dir;
    int files = 0;
};

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(CmdReportTest, WritesTheDocumentOfTheWindow) {
    const QString ini = saved(31, QStringLiteral("РЕТР_ПП"));
    const QString out = dir.filePath(QStringLiteral("протокол.docx"));
    const CliResult r = runCli({QStringLiteral("report"), ini, QStringLiteral("--serial"), QStringLiteral("S7K62-1"),
                                QStringLiteral("-o"), out});
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    const DocxView v = readDocx(readAll(out));
    EXPECT_EQ(v.paras.at(1).text, QStringLiteral("S7K62-1"));
    EXPECT_EQ(v.rows.size(), 33u);
    EXPECT_EQ(v.rows.at(1).at(1).text(), QStringLiteral("РЕТР_ПП"));

    // The same document the window builds from the same file.
    Editor ed;
    loadSettingsFile(ed, ini);
    RecordingOperator op;
    ASSERT_TRUE(runDataCheck(ed, op));
    EXPECT_EQ(v.parts.value(QStringLiteral("word/document.xml")),
              readDocx(docxBytes(buildReport(ed, QStringLiteral("S7K62-1")))).parts.value(QStringLiteral("word/document.xml")));

    // An empty serial number is a report all the same.
    const CliResult empty = runCli({QStringLiteral("report"), ini, QStringLiteral("--serial"), QString(),
                                    QStringLiteral("-o"), out});
    ASSERT_EQ(empty.exitCode, 0);
    EXPECT_EQ(readDocx(readAll(out)).paras.at(1).text, QString());
}

TEST_F(CmdReportTest, FailedCheckWritesNothing) {
    const QString out = dir.filePath(QStringLiteral("no.docx"));
    const CliResult r = runCli({QStringLiteral("report"), saved(3, QStringLiteral("150003")), QStringLiteral("--serial"),
                                QStringLiteral("S"), QStringLiteral("-o"), out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("Частота должна быть кратна 6,25кГц\n"));
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(CmdReportTest, UsageAndFileErrors) {
    const QString ini = saved(2);
    const QString out = dir.filePath(QStringLiteral("r.docx"));
    struct Case { QStringList args; const char16_t *inErr; };
    const Case cases[] = {
        {{"report", ini, "-o", out}, u"Не указан параметр --serial"},
        {{"report", ini, "--serial", "S"}, u"Не указан параметр -o"},
        {{"report", "--serial", "S", "-o", out}, u"Не указан файл"},
        {{"report", ini, "--serial"}, u"После --serial не указано значение"},
        {{"report", dir.filePath("нет.ini"), "--serial", "S", "-o", out}, u"нет.ini"},
        {{"report", ini, "--serial", "S", "-o", dir.filePath("нет/r.docx")}, u"Не удалось записать файл"},
        {{"report", ini, "--serial", "S", "-o", dir.path()}, u"Не удалось записать файл"},
    };
    for (const Case &c : cases)
        expectRefused(c.args, QString::fromUtf16(c.inErr));
    EXPECT_FALSE(QFileInfo::exists(out));
}
