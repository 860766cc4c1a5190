// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_run.h"

#include "common/cp1251.h"
#include "settings_file/settings_file.h"
#include "support/recording_operator.h"
#include "table/template.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

QJsonObject parseObject(const QByteArray &json) {
    QJsonParseError e{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &e);
    EXPECT_EQ(e.error, QJsonParseError::NoError) << e.errorString().toStdString() << "\n" << json.toStdString();
    return doc.object();
}

QStringList strings(const QJsonValue &v) {
    QStringList out;
    for (const QJsonValue &x : v.toArray())
        out << x.toString();
    return out;
}

class CmdShowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliPath().isEmpty())
            GTEST_SKIP() << "tolvin-cli is not built";
    }
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Q7KM_10.ini"));
};

} // namespace

TEST_F(CmdShowTest, PrintsTheLoadedConfiguration) {
    Editor ed;
    selectBand(ed, 4);
    ed.templ.start = QStringLiteral("400000");
    ed.templ.count = QStringLiteral("3");
    RecordingOperator op;
    ASSERT_TRUE(createTemplate(ed, op));
    chooseModule(ed, 5);
    ed.table.setCell(ColTxOff, 2, QStringLiteral("OFF"));
    ed.table.setCell(ColCtcRx, 3, QStringLiteral("\"67,0\\"));
    ed.table.setFlag(ColIdTone, 2, true);
    ed.table.setFlag(ColActive, 3, false);
    saveSettingsFile(ed, path);

    const CliResult r = runCli({QStringLiteral("show"), path});
    ASSERT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    const QJsonObject o = parseObject(r.out);

    Editor expected; // the GUI's load of the same file
    loadSettingsFile(expected, path);
    EXPECT_EQ(o.value("title").toString(), QStringLiteral("Толвин 7К-64"));
    EXPECT_EQ(o.value("station_type").toInt(-1), 3);
    EXPECT_EQ(o.value("module_type").toInt(-1), 5);
    EXPECT_EQ(o.value("band_low").toInt(), 400000);
    EXPECT_EQ(o.value("band_high").toInt(), 486000);
    EXPECT_EQ(strings(o.value("memo")), expected.memo);
    EXPECT_EQ(strings(o.value("headers")), fileColumnHeaders());
    const QJsonArray rows = o.value("rows").toArray();
    ASSERT_EQ(rows.size(), 3);
    for (int r0 = 0; r0 < 3; ++r0) {
        const QJsonArray row = rows.at(r0).toArray();
        ASSERT_EQ(row.size(), ColumnCount);
        for (int c = 0; c < ColumnCount; ++c) {
            if (isCheckboxColumn(c)) {
                ASSERT_TRUE(row.at(c).isBool()) << r0 << "/" << c;
                EXPECT_EQ(row.at(c).toBool(), ed.table.flag(c, r0 + 1)) << r0 << "/" << c;
            } else {
                EXPECT_EQ(row.at(c).toString(), ed.table.cell(c, r0 + 1)) << r0 << "/" << c;
            }
        }
    }
}

TEST_F(CmdShowTest, StartsFromTheStartUpStateAndEscapesAnyText) {
    // "Тип" 7 selects no band: the start-up band stays. Control characters stay valid JSON.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(toCp1251(QStringLiteral("[Общие установки]\nТип=7\nId_номер=a\tb\x01\n[1]\nRx=\"\\\n")));
    f.close();
    const CliResult r = runCli({QStringLiteral("show"), path});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = parseObject(r.out);
    EXPECT_EQ(o.value("title").toString(), QStringLiteral("Толвин 7К-61"));
    EXPECT_EQ(o.value("station_type").toInt(), 7);
    EXPECT_EQ(o.value("band_low").toInt(), 30000);
    EXPECT_EQ(strings(o.value("memo")).at(2), QStringLiteral("Id_номер=a\tb\x01"));
    EXPECT_EQ(o.value("rows").toArray().at(0).toArray().at(ColRx).toString(), QStringLiteral("\"\\"));
}

TEST_F(CmdShowTest, FilesThatCannotBeLoaded) {
    const QString noTable = dir.filePath(QStringLiteral("notable.ini"));
    QFile f(noTable);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(toCp1251(QStringLiteral("[Общие установки]\r\nТип=0\r\n")));
    f.close();
    QFile bin(dir.filePath(QStringLiteral("binary.ini")));
    ASSERT_TRUE(bin.open(QIODevice::WriteOnly));
    bin.write(QByteArray("\x00\xff[1\x00]\n=\n[\n", 11));
    bin.close();
    struct Case { QString file; int code; const char16_t *err; };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing.ini")), 2, u"Не удалось прочитать файл"},
        {dir.path(), 2, u"это папка"},
        {noTable, 2, u"нет таблицы каналов"},
        {bin.fileName(), 2, u"нет таблицы каналов"},
    };
    for (const Case &c : cases) {
        const CliResult r = runCli({QStringLiteral("show"), c.file});
        ASSERT_FALSE(r.crashed) << c.file.toStdString();
        EXPECT_EQ(r.exitCode, c.code) << c.file.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(QString::fromUtf16(c.err))) << r.err.toStdString();
    }
}
