// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_run.h"

#include "settings_file/settings_file.h"
#include "support/recording_operator.h"
#include "support/unknown_values.h"
#include "table/bands.h"
#include "table/template.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

class CmdImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliPath().isEmpty())
            GTEST_SKIP() << "tolvin-cli is not built";
    }
    // One channel at the band's lower limit.
    QString saved(int band, uint8_t stationTypeOverride = 255, const QString &pmin = QStringLiteral("1")) {
        Editor ed;
        selectBand(ed, band);
        ed.templ.count = QStringLiteral("1");
        RecordingOperator op;
        EXPECT_TRUE(createTemplate(ed, op));
        ed.table.setCell(ColPmin, 1, pmin);
        if (stationTypeOverride != 255)
            ed.state.StationType = stationTypeOverride;
        const QString path = dir.filePath(QStringLiteral("f%1.ini").arg(++files));
        saveSettingsFile(ed, path);
        return path;
    }
    QTemporaryDir dir;
    int files = 0;
};

// The template's settings, one channel 140000 kHz in the 144-174 MHz band.
const char *Stream144 =
    "01 08 01 C8 00 46 4B 64 78 8C 9B AA C7 D2 F0 00 01 00 00 C8 06 00 00 00 00 "
    "BE 01 11 CE 81 11 5E 01 C8 C8 00 00 01 01 04 FF 00 00";

} // namespace

TEST_F(CmdImageTest, PrintsOpeningSequenceAndWriteStream) {
    const CliResult r = runCli({QStringLiteral("image"), saved(2)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), std::string("14\n") + Stream144 + "\n");

    // The 33-48,5 MHz band (type 1) opens with five bytes.
    const CliResult r1 = runCli({QStringLiteral("image"), saved(1)});
    EXPECT_EQ(r1.exitCode, 0);
    EXPECT_TRUE(r1.out.startsWith("15 4B 55 11 D7\n01 08 01 C8 00 ")) << r1.out.toStdString();
    EXPECT_TRUE(r1.out.contains(" 00 01 01 01 ")) << "module 0, station type 1 three times";
}

TEST_F(CmdImageTest, WritesRawBytesWithOption) {
    const QString out = dir.filePath(QStringLiteral("image.bin"));
    const CliResult r = runCli({QStringLiteral("image"), QStringLiteral("-o"), out, saved(2)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray::fromHex(QByteArray("14 ") + Stream144));
    f.close();

    // An image kept under two names (a bench's shared folder) stays one file with the new bytes.
    const QString other = dir.filePath(QStringLiteral("other-name.bin"));
    ASSERT_EQ(::link(QFile::encodeName(out).constData(), QFile::encodeName(other).constData()), 0);
    struct stat before {}, after {};
    ASSERT_EQ(::stat(QFile::encodeName(out).constData(), &before), 0);
    const CliResult again = runCli({QStringLiteral("image"), QStringLiteral("-o"), out, saved(4)});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    ASSERT_EQ(::stat(QFile::encodeName(out).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    QFile o(other);
    ASSERT_TRUE(o.open(QIODevice::ReadOnly));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(o.readAll(), f.readAll());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".tolvin")), QStringList());
}

TEST_F(CmdImageTest, RefusalsAndErrors) {
    struct Case { const char *what; QStringList args; int exit; QString out; };
    const Case cases[] = {
        {"check fails", {QStringLiteral("image"), saved(2, 255, QStringLiteral("4"))}, 1,
         QStringLiteral("Не желательно использовать в минимальной мощности 4 уровень\n")},
        {"unknown station type", {QStringLiteral("image"), saved(1, UnknownTypeCode)}, 1,
         QStringLiteral("Тип радиостанции %1 неизвестен (допустимы %2): при записи в станцию ничего не будет передано\n")
             .arg(QString::number(UnknownTypeCode), knownTypeCodes())},
        {"-o without a name", {QStringLiteral("image"), saved(2), QStringLiteral("-o")}, 2, {}},
        {"no file", {QStringLiteral("image"), QStringLiteral("-o"), dir.filePath(QStringLiteral("x.bin"))}, 2, {}},
        {"unwritable output", {QStringLiteral("image"), saved(2), QStringLiteral("-o"),
                               dir.filePath(QStringLiteral("no/such/dir/x.bin"))}, 2, {}},
    };
    for (const auto &c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_FALSE(r.crashed) << c.what;
        EXPECT_EQ(r.exitCode, c.exit) << c.what << ": " << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out).toStdString(), c.out.toStdString()) << c.what;
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.bin"))));
}
