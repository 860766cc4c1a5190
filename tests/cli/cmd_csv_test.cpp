// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli import-csv and export-csv, and CHIRP's own CSV driver reading what we write and
// writing what we read, where Debian's chirp package is installed.
#include "cli/cli_run.h"

#include "settings_file/settings_file.h"
#include "support/recording_operator.h"
#include "support/unknown_values.h"
#include "table/template.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

class CmdCsvTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliPath().isEmpty())
            GTEST_SKIP() << "tolvin-cli is not built";
    }
    QString write(const QString &name, const QByteArray &bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QString settingsWithChannels() {
        Editor ed;
        selectBand(ed, 2);
        ed.templ = {QStringLiteral("4"), QStringLiteral("150000"), QStringLiteral("25")};
        RecordingOperator op;
        EXPECT_TRUE(createTemplate(ed, op));
        ed.table.setCell(ColCtcTx, 1, QStringLiteral("88,5"));
        ed.table.setCell(ColCtcRx, 2, QStringLiteral("100,0"));
        ed.table.setCell(ColCtcTx, 2, QStringLiteral("100,0"));
        ed.table.setCell(ColTx, 2, QStringLiteral("150500"));
        ed.table.setCell(ColSpacing, 2, QStringLiteral("12,5"));
        ed.table.setFlag(ColScan, 2, false);
        ed.table.setCell(ColDcsRx, 3, QStringLiteral("754"));
        ed.table.setCell(ColDcsTx, 3, QStringLiteral("754"));
        ed.table.setCell(ColCtcTx, 4, QStringLiteral("69,4"));
        const QString path = dir.filePath(QStringLiteral("q.ini"));
        saveSettingsFile(ed, path);
        return path;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(CmdCsvTest, ImportAndExport) {
    const QString csv = write(QStringLiteral("in.csv"),
                              "\xEF\xBB\xBFLocation,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,Mode,Skip\r\n"
                              "1,,150.000000,,0,TSQL,88.5,88.5,NFM,S\r\n2,\"\",151.012500,-,1,Tone,67.0,88.5,FM,\r\n"
                              "3,far,446.000000,,0,,88.5,88.5,FM,\r\n");
    const QString out = dir.filePath(QStringLiteral("out.ini"));
    const CliResult r = runCli({QStringLiteral("import-csv"), csv, QStringLiteral("-o"), out, QStringLiteral("--model"), QStringLiteral("62")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Загружено каналов: 2")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("446000 кГц вне диапазона")));
    Editor ed;
    loadSettingsFile(ed, out);
    EXPECT_EQ(ed.table.channelCount(), 2);
    EXPECT_EQ(ed.table.cell(ColTx, 2), QStringLiteral("150012,5"));
    EXPECT_EQ(ed.table.cell(ColCtcTx, 2), QStringLiteral("67,0"));
    EXPECT_EQ(runCli({QStringLiteral("check"), out}).exitCode, 0) << "an import passes the check";

    struct Case { QStringList args; int exit; };
    const Case failures[] = {
        {{"import-csv", csv, "-o", out, "--model", QString::number(UnknownModelNumber)}, 2},
        {{"import-csv", csv, "-o", out}, 2},
        {{"import-csv", dir.filePath("none.csv"), "-o", out, "--model", "62"}, 2},
        {{"import-csv", write("far.csv", "Location,Frequency\n1,446.0\n"), "-o", dir.filePath("x.ini"), "--model", "62"}, 1},
        {{"export-csv", dir.filePath("none.ini"), "-o", dir.filePath("x.csv")}, 2},
    };
    for (const Case &c : failures)
        EXPECT_EQ(runCli(c.args).exitCode, c.exit) << c.args.join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.ini"))));

    const QString exported = dir.filePath(QStringLiteral("out.csv"));
    const CliResult e = runCli({QStringLiteral("export-csv"), settingsWithChannels(), QStringLiteral("-o"), exported});
    EXPECT_EQ(e.exitCode, 0) << e.err.toStdString();
    EXPECT_TRUE(e.err.contains(QStringLiteral("канал 4: без тон 69,4"))) << e.err.toStdString();
}

TEST_F(CmdCsvTest, ChirpReadsWhatWeWriteAndWeReadWhatChirpWrites) {
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFileInfo::exists(QStringLiteral("/usr/lib/python3/dist-packages/chirp/drivers/generic_csv.py")) ||
        !QFileInfo::exists(python))
        GTEST_SKIP() << "CHIRP is not installed (apt-get install chirp)";
    const QString exported = dir.filePath(QStringLiteral("ours.csv"));
    ASSERT_EQ(runCli({QStringLiteral("export-csv"), settingsWithChannels(), QStringLiteral("-o"), exported}).exitCode, 0);
    const QString theirs = dir.filePath(QStringLiteral("chirp.csv"));
    QProcess p;
    p.start(python, {QStringLiteral(TOLVIN_SOURCE_DIR "/tests/peers/chirp_csv_peer.py"), exported, theirs});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QStringList memories = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Debian 12's CHIRP has no RxDtcsCode column; in DTCS mode it uses DtcsCode both ways.
    EXPECT_EQ(memories, (QStringList{
                            QStringLiteral("0 150000000  0 Tone 88.5 88.5 23 23 Tone->Tone FM -"),
                            QStringLiteral("1 150025000 + 475000 TSQL 100.0 100.0 23 23 Tone->Tone NFM S"),
                            QStringLiteral("2 150050000  0 DTCS 88.5 88.5 754 23 Tone->Tone FM -"),
                            QStringLiteral("3 150075000  0 - 88.5 88.5 23 23 Tone->Tone FM -"),
                        }));
    // And CHIRP's file comes back as the same channels.
    const QString back = dir.filePath(QStringLiteral("back.ini"));
    const CliResult r = runCli({QStringLiteral("import-csv"), theirs, QStringLiteral("-o"), back, QStringLiteral("--model"), QStringLiteral("62")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    Editor original, returned;
    loadSettingsFile(original, dir.filePath(QStringLiteral("q.ini")));
    loadSettingsFile(returned, back);
    ASSERT_EQ(returned.table.channelCount(), 4) << r.err.toStdString();
    for (int row = 1; row <= 3; ++row)
        for (int c : {ColRx, ColTx, ColCtcRx, ColCtcTx, ColDcsRx, ColDcsTx, ColSpacing})
            EXPECT_EQ(returned.table.cell(c, row), original.table.cell(c, row)) << row << "," << c;
    EXPECT_FALSE(returned.table.flag(ColScan, 2));
}
