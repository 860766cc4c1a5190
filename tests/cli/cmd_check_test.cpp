// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_run.h"

#include "settings_file/settings_file.h"
#include "support/comma_locales.h"
#include "support/recording_operator.h"
#include "table/template.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

class CmdCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliPath().isEmpty())
            GTEST_SKIP() << "tolvin-cli is not built";
    }
    // A three-channel template of the 144-174 MHz band with one cell or one line changed.
    QString saved(int col, const QString &cell, const QString &memoLine = {}) {
        Editor ed;
        selectBand(ed, 2);
        ed.templ = {QStringLiteral("3"), QStringLiteral("150000"), QStringLiteral("12,5")};
        RecordingOperator op;
        EXPECT_TRUE(createTemplate(ed, op));
        if (col >= 0)
            ed.table.setCell(col, 2, cell);
        const QString key = memoLine.section(QLatin1Char('='), 0, 0) + QLatin1Char('=');
        for (QString &line : ed.memo)
            if (!memoLine.isEmpty() && line.startsWith(key))
                line = memoLine;
        const QString path = dir.filePath(QStringLiteral("f%1.ini").arg(++files));
        saveSettingsFile(ed, path);
        return path;
    }
    QTemporaryDir dir;
    int files = 0;
};

} // namespace

TEST_F(CmdCheckTest, PrintsTheFinalMessageAndExitsWithTheResult) {
    struct Case { const char *what; QString path; int exit; QString out; };
    const Case cases[] = {
        {"passes", saved(-1, {}), 0, QStringLiteral("Все данные введены верно.\n")},
        {"rule", saved(-1, {}, QStringLiteral("Яркость диодов=6")), 1, QStringLiteral("Уровень яркости изм. 1-5\n")},
        {"row rule", saved(ColPmin, QStringLiteral("4")), 1,
         QStringLiteral("Не желательно использовать в минимальной мощности 4 уровень\n")},
        {"conversion", saved(ColNoise, QStringLiteral("два")), 1, QStringLiteral("Канал 2, ШП: «два» не является целым числом\n")},
    };
    for (const auto &c : cases) {
        const CliResult r = runCli({QStringLiteral("check"), c.path});
        EXPECT_FALSE(r.crashed) << c.what;
        EXPECT_EQ(r.exitCode, c.exit) << c.what;
        EXPECT_EQ(QString::fromUtf8(r.out).toStdString(), c.out.toStdString()) << c.what;
    }
}

TEST_F(CmdCheckTest, UsageAndFileErrors) {
    const QStringList cases[] = {
        {QStringLiteral("check")},
        {QStringLiteral("check"), dir.filePath(QStringLiteral("absent.ini"))},
        {QStringLiteral("check"), QStringLiteral("a.ini"), QStringLiteral("b.ini")},
        {QStringLiteral("check"), QStringLiteral("--bogus")},
    };
    for (const auto &args : cases) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty()) << args.join(' ').toStdString();
    }
}

// A Russian or German desktop writes numbers with a comma in its C library; check and image must
// not notice.
TEST_F(CmdCheckTest, SameResultsOnCommaDesktops) {
    QString why;
    ASSERT_FALSE(commaLocaleDir(&why).isEmpty()) << why.toStdString();
    const QString onRaster = saved(ColRx, QStringLiteral("150006,25"));
    const QString offRaster = saved(ColTx, QStringLiteral("150000,5"));
    const QString exponent = saved(ColRx, QStringLiteral("1,5E5"));
    struct Run { QStringList args; int exit; };
    const Run runs[] = {
        {{QStringLiteral("check"), onRaster}, 0},
        {{QStringLiteral("check"), offRaster}, 1},
        {{QStringLiteral("check"), exponent}, 0},
        {{QStringLiteral("image"), onRaster}, 0},
        {{QStringLiteral("image"), exponent}, 0},
    };
    for (const Run &run : runs) {
        const CliResult c = runCli(run.args, desktopEnvironment(QStringLiteral("C")));
        EXPECT_EQ(c.exitCode, run.exit) << run.args.join(' ').toStdString() << c.err.toStdString();
        for (const QString &name : commaLocales()) {
            const CliResult r = runCli(run.args, desktopEnvironment(name));
            EXPECT_EQ(r.exitCode, c.exitCode) << name.toStdString() << ' ' << run.args.join(' ').toStdString();
            EXPECT_EQ(r.out, c.out) << name.toStdString() << ' ' << run.args.join(' ').toStdString();
        }
    }
}
