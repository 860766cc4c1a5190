// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli batch: a plan of Ids that cannot serve the series is refused before a byte is sent;
// against tolvin-sim's series of stations, each gets its own Id once, across ports and runs.
#include "cli/cli_run.h"

#include "support/sim_process.h"
#include "support/template_file.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>
#include <memory>

using namespace tolvin;
using namespace tolvin::test;

namespace {

// A bench of the test's own: its data folder and journal in `dir`.
QProcessEnvironment benchEnvironment(const QTemporaryDir &dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("TOLVIN_JOURNAL"), QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("j.sqlite")));
    return env;
}

} // namespace

TEST(CmdBatch, APlanThatCannotServeTheSeriesIsRefusedBeforeAnythingIsSent) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("fleet.ini"));
    saveTemplateFile(ini, 2, 12);
    const auto csv = [&](const char *name, const QByteArray &text) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    const QString twice = csv("twice.csv", "serial;Id\n070001;0001\n070001;0002\n");
    const QString sameId = csv("same-id.csv", "070001;0001\n070002;0001\n");
    const QString shortId = csv("short.csv", "070001;001\n");
    const QString two = csv("two.csv", "070001;0001\n070002;0002\n");
    // No station is on /dev/null: a refusal that came too late would not be a refusal at all.
    const QStringList head{QStringLiteral("batch"), ini, QStringLiteral("--port"), QStringLiteral("/dev/null")};
    const struct {
        QStringList args;
        const char *said;
    } cases[] = {
        {{}, "Не указан план Id"},
        {{"--id-start", "0001", "--ids", two}, "вместе не указываются"},
        {{"--id-start", "001"}, "четырех знаков"},
        {{"--id-start", "00E1"}, "«00E1»"},
        {{"--id-start", "0001", "--id-step", "0"}, "--id-step"},
        {{"--id-start", "****", "--count", "2"}, "не хватит на 2"},
        {{"--id-start", "FFFF"}, "четырех знаков"},
        {{"--ids", two, "--count", "3"}, "не хватит на 3"},
        {{"--ids", twice}, "серийный номер 070001 указан дважды"},
        {{"--ids", sameId}, "Id 0001 указан дважды"},
        {{"--ids", shortId}, "четырех знаков"},
    };
    for (const auto &c : cases)
        expectRefused(head + c.args, QString::fromUtf8(c.said));
}

// A station of a series is certified against its journal entry: the same, changed, or unknown to
// this journal; the entry's certificate carries its id and the configuration's SHA-256.
TEST(CmdBatch, AStationOfTheSeriesIsCertifiedAgainstItsJournalEntry) {
    if (simPath().isEmpty())
        GTEST_SKIP() << "tolvin-sim is not built";
    QTemporaryDir dir;
    QProcessEnvironment env = benchEnvironment(dir);
    const QString ini = dir.filePath(QStringLiteral("fleet.ini"));
    const QString other = dir.filePath(QStringLiteral("other.ini"));
    saveTemplateFile(ini, 2, 12);
    saveTemplateFile(other, 2, 13);
    SimProcess sim({});
    const CliResult batch = runCli({QStringLiteral("batch"), ini, QStringLiteral("--port"), sim.path, QStringLiteral("--id-start"),
                                    QStringLiteral("0D0*"), QStringLiteral("--count"), QStringLiteral("1")},
                                   env);
    ASSERT_EQ(batch.exitCode, 0) << batch.err.toStdString();
    EXPECT_TRUE(batch.out.contains(" 0D0* записана ")) << batch.out.toStdString();
    const QStringList certify{QStringLiteral("certify"), QStringLiteral("--port"), sim.path};
    const CliResult same = runCli(certify, env);
    EXPECT_EQ(same.exitCode, 0) << same.out.toStdString() << same.err.toStdString();
    const QString entry = QString::fromUtf8(same.out).section(QStringLiteral("запись журнала "), 1).section(QLatin1Char(','), 0, 0);
    const QString pdf = dir.filePath(QStringLiteral("свидетельство.pdf"));
    const CliResult report = runCli({QStringLiteral("report"), QStringLiteral("--entry"), entry, QStringLiteral("-o"), pdf}, env);
    EXPECT_EQ(report.exitCode, 0) << report.err.toStdString();
    QFile made(pdf);
    ASSERT_TRUE(made.open(QIODevice::ReadOnly));
    EXPECT_TRUE(made.read(5) == "%PDF-");

    // Written since by another program (no journal of ours): the differences, station first.
    env.insert(QStringLiteral("TOLVIN_JOURNAL"), QStringLiteral("off"));
    ASSERT_EQ(runCli({QStringLiteral("write"), other, QStringLiteral("--port"), sim.path}, env).exitCode, 0);
    env.insert(QStringLiteral("TOLVIN_JOURNAL"), QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("j.sqlite")));
    const CliResult changed = runCli(certify, env);
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_TRUE(changed.out.contains("канал 13")) << changed.out.toStdString();
    env.insert(QStringLiteral("TOLVIN_JOURNAL"), QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("other.sqlite")));
    EXPECT_EQ(runCli(certify, env).exitCode, 2);
}

// A series through one port of a bench that swaps stations: each gets the next Id once. Run
// again under its name, the series goes on with the next Id and passes over a station it already
// programmed, which then waits to be taken away until Ctrl+C ends the run.
TEST(CmdBatch, ASeriesGivesEachStationItsOwnIdOnceAcrossRuns) {
    if (simPath().isEmpty())
        GTEST_SKIP() << "tolvin-sim is not built";
    QTemporaryDir dir;
    QProcessEnvironment env = benchEnvironment(dir);
    const QString ini = dir.filePath(QStringLiteral("fleet.ini"));
    saveTemplateFile(ini, 2, 12);
    // The pause outlasts the wait before the read after the write and two of the batch's queries.
    const auto series = [](int stations) {
        return std::make_unique<SimProcess>(QStringList{QStringLiteral("--stations"), QString::number(stations),
                                                        QStringLiteral("--swap-pause"), QStringLiteral("1500")});
    };
    const auto batch = [&](const QString &port, int count) {
        return QStringList{QStringLiteral("batch"), ini, QStringLiteral("--port"), port, QStringLiteral("--id-start"),
                           QStringLiteral("0109"), QStringLiteral("--count"), QString::number(count)};
    };
    const auto results = [](const QByteArray &out) {
        QStringList got;
        for (const QString &line : QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            got << line.section(QLatin1Char(' '), 1, 3);
        return got;
    };
    {
        const auto sim = series(2);
        const CliResult r = runCli(batch(sim->path, 2), env);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(results(r.out), (QStringList{"070001 0109 записана", "070002 010A записана"})) << r.err.toStdString();
    }
    const auto sim = series(1);
    QProcess cli;
    cli.setProcessEnvironment(env);
    cli.start(cliPath(), batch(sim->path, 1));
    ASSERT_TRUE(cli.waitForStarted(10000));
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains("пропущена") && !clock.hasExpired(20000) && cli.state() == QProcess::Running)
        if (cli.waitForReadyRead(200))
            out += cli.readAllStandardOutput();
    ::kill(pid_t(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(10000));
    out += cli.readAllStandardOutput();
    EXPECT_EQ(cli.exitCode(), 130) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(results(out), QStringList{"070001 0109 пропущена"}) << cli.readAllStandardError().toStdString();
}
