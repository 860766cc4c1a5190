// SPDX-License-Identifier: GPL-3.0-or-later
// Fault drills of tolvin-cli write, read and type against tolvin-sim, as a script runs them: each
// ends within a bound with a non-zero exit and the reason on standard error, leaves no half
// file behind, and the next run against a working station succeeds.
#include "cli/cli_run.h"

#include "check/data_check.h"
#include "common/numbers.h"
#include "settings_file/settings_file.h"
#include "support/recording_operator.h"
#include "support/sim_process.h"
#include "sim/station_memory.h"
#include "layout/image_layout.h"
#include "support/template_file.h"
#include "table/template.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

using namespace tolvin;
using namespace tolvin::test;

namespace {

constexpr qint64 HangBoundMs = 20000;

class CliDrills : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliPath().isEmpty() || simPath().isEmpty()) {
            GTEST_SKIP() << "tolvin-cli or tolvin-sim is not built";
        }
        saveTemplateFile(config, 2, 3);
    }

    struct Drill {
        const char *fault;
        QStringList sim;
        QString says;   // part of what standard error must say
    };

    // Runs `command` against a station with the drill's fault, then against a working one.
    void drill(const Drill &d, const std::function<QStringList(const QString &port)> &command,
               const std::function<void()> &afterFault = {}) {
        SimProcess sim(d.sim);
        ASSERT_FALSE(sim.path.isEmpty()) << d.fault;
        QElapsedTimer t;
        t.start();
        const CliResult r = runCli(command(sim.path));
        EXPECT_LT(t.elapsed(), HangBoundMs) << d.fault;
        EXPECT_FALSE(r.crashed) << d.fault;
        EXPECT_NE(r.exitCode, 0) << d.fault;
        EXPECT_TRUE(r.err.contains(d.says)) << d.fault << ": " << r.err.toStdString();
        if (afterFault)
            afterFault();

        SimProcess healthy({});
        const CliResult again = runCli(command(healthy.path));
        EXPECT_EQ(again.exitCode, 0) << d.fault << ": the next run: " << again.err.toStdString();
    }

    QTemporaryDir dir;
    QString config = dir.filePath(QStringLiteral("in.ini"));
};

} // namespace

TEST_F(CliDrills, Write) {
    const auto stopped = [](int byte) {
        return QStringLiteral("Запись прервана на байте %1 из %2: станция записана не полностью. Станция не ответила")
            .arg(byte)
            .arg(WriteStreamFixedLength + RecordSize * 3);
    };
    const Drill drills[] = {
        {"silent", QStringList{"--silent"}, QStringLiteral("Станция не ответила на запрос записи")},
        {"stops in the header", QStringList{"--stop-after", "3"}, stopped(3)},
        {"stops in the tones", QStringList{"--stop-after", "11"}, stopped(11)},
        {"stops in record 2", QStringList{"--stop-after", "53"}, stopped(53)},
        {"hangs up", QStringList{"--hang-up-after", "40"}, QStringLiteral("потеряна")},
    };
    for (const Drill &d : drills)
        // The byte numbers are the write's own: no type query before it.
        drill(d, [&](const QString &port) {
            return QStringList{QStringLiteral("write"), config, QStringLiteral("--port"), port, QStringLiteral("--ignore-type")};
        });
}

TEST_F(CliDrills, Read) {
    const QString out = dir.filePath(QStringLiteral("read.ini"));
    const Drill drills[] = {
        {"silent", QStringList{"--silent"}, QStringLiteral("Станция не ответила: заголовок")},
        {"stops in the tones", {QStringLiteral("--stop-sending-after"), QString::number(ReadPiece::Head + 5)},
         QStringLiteral("Станция не ответила: тон 6")},
        {"stops in record 3", {QStringLiteral("--stop-sending-after"), QString::number(ReadStreamFixedLength + 2 * RecordSize + 9)},
         QStringLiteral("Станция не ответила: канал 3 из 4")},
        {"hangs up", QStringList{"--hang-up-after", "1"}, QStringLiteral("потеряна")},
    };
    for (const Drill &d : drills) {
        QFile::remove(out);
        drill(
            d,
            [&](const QString &port) {
                return QStringList{QStringLiteral("read"), QStringLiteral("--port"), port, QStringLiteral("-o"), out};
            },
            [&] { EXPECT_FALSE(QFile::exists(out)) << d.fault << ": a failed read writes no file"; });
    }
}

TEST_F(CliDrills, Type) {
    const Drill drills[] = {
        {"silent", QStringList{"--silent"}, QStringLiteral("Станция не ответила на запрос типа станции")},
        {"stops in the sequence", QStringList{"--stop-after", "2"}, QStringLiteral("Станция не ответила на запрос типа станции")},
        {"hangs up", QStringList{"--hang-up-after", "2"}, QStringLiteral("потеряна")},
    };
    for (const Drill &d : drills)
        drill(d, [](const QString &port) { return QStringList{QStringLiteral("type"), QStringLiteral("--port"), port}; });
}

TEST_F(CliDrills, StationsThatSendMoreThanAsked) {
    SimProcess sim(QStringList{"--flood", "5", "--type", "4"});
    const CliResult w =
        runCli({QStringLiteral("write"), config, QStringLiteral("--port"), sim.path, QStringLiteral("--ignore-type")});
    EXPECT_EQ(w.exitCode, 0) << w.err.toStdString();
    const QString out = dir.filePath(QStringLiteral("read.ini"));
    const CliResult r = runCli({QStringLiteral("read"), QStringLiteral("--port"), sim.path, QStringLiteral("-o"), out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    Editor written, back;
    loadSettingsFile(written, config);
    loadSettingsFile(back, out);
    for (int row = 1; row <= 3; ++row)
        EXPECT_EQ(strToFloat(back.table.cell(ColRx, row)), strToFloat(written.table.cell(ColRx, row))) << row;
    const CliResult t = runCli({QStringLiteral("type"), QStringLiteral("--port"), sim.path});
    EXPECT_EQ(t.exitCode, 0) << t.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(t.out).startsWith(QStringLiteral("4 "))) << t.out.toStdString();
}

// Ctrl+C, a kill or a closed terminal in the middle of an exchange: the command stops at the
// next byte, says where, names the backup to restore from, writes its --log and ends with the
// shell's code for the signal.
TEST_F(CliDrills, InterruptedBySignal) {
    const QString big = dir.filePath(QStringLiteral("big.ini"));
    saveTemplateFile(big, 2, 20);
    const QString backups = dir.filePath(QStringLiteral("backups"));
    const QString log = dir.filePath(QStringLiteral("exchange.log"));
    const QString readOut = dir.filePath(QStringLiteral("read.ini"));

    struct Case {
        const char *name;
        int signal;
        int exit;
        QStringList args;       // before "--port P"
        const char *waitFor;    // progress that comes only once the exchange is under way
        QStringList says;
    };
    const QString cut = QStringLiteral(" из %1: станция записана не полностью").arg(WriteStreamFixedLength + RecordSize * 20);
    const Case cases[] = {
        {"write, Ctrl+C", SIGINT, 130, {"write", big, "--backup-dir", backups, "--log", log}, "66%",
         {"Запись прервана на байте ", cut,
          "Прежние данные станции можно записать из резервной копии " + backups}},
        {"write, SIGTERM", SIGTERM, 143, {"write", big, "--log", log}, "66%",
         {"Запись прервана на байте ", cut}},
        {"write, terminal closed", SIGHUP, 129, {"write", big, "--log", log}, "66%", {"Запись прервана на байте "}},
        {"read, Ctrl+C", SIGINT, 130, {"read", "-o", readOut, "--log", log}, "ПП", {"Обмен со станцией прерван", "Файл не записан"}},
    };
    for (const Case &c : cases) {
        QFile::remove(log);
        SimProcess sim({QStringLiteral("--line-rate")});
        ASSERT_FALSE(sim.path.isEmpty());
        QProcess cli;
        cli.start(cliPath(), QStringList(c.args) << QStringLiteral("--port") << sim.path);
        ASSERT_TRUE(cli.waitForStarted(10000)) << c.name;
        QString err;
        QElapsedTimer t;
        t.start();
        while (!err.contains(QString::fromUtf8(c.waitFor)) && t.elapsed() < HangBoundMs &&
               cli.state() == QProcess::Running) {
            cli.waitForReadyRead(100);
            err += QString::fromUtf8(cli.readAllStandardError());
        }
        ASSERT_TRUE(err.contains(QString::fromUtf8(c.waitFor))) << c.name << ": " << err.toStdString();
        ::kill(pid_t(cli.processId()), c.signal);
        ASSERT_TRUE(cli.waitForFinished(int(HangBoundMs))) << c.name;
        err += QString::fromUtf8(cli.readAllStandardError());
        EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit) << c.name;
        EXPECT_EQ(cli.exitCode(), c.exit) << c.name << ": " << err.toStdString();
        for (const QString &s : c.says)
            EXPECT_TRUE(err.contains(s)) << c.name << ": wants «" << s.toStdString() << "» in " << err.toStdString();
        QFile f(log);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << c.name << ": no log";
        EXPECT_TRUE(f.readAll().contains("->")) << c.name;
        EXPECT_FALSE(QFile::exists(readOut)) << c.name;
    }
}

// A fleet write stopped by Ctrl+C stops on every port and reports each one.
TEST_F(CliDrills, InterruptedFleet) {
    const QString big = dir.filePath(QStringLiteral("big.ini"));
    saveTemplateFile(big, 2, 20);
    SimProcess a({QStringLiteral("--line-rate")}), b({QStringLiteral("--line-rate")});
    QProcess cli;
    cli.start(cliPath(), {QStringLiteral("write"), big, QStringLiteral("--port"), a.path, QStringLiteral("--port"), b.path});
    ASSERT_TRUE(cli.waitForStarted(10000));
    QString err;
    QElapsedTimer t;
    t.start();
    // Each port says "ПР" once its write has begun.
    while (err.count(QStringLiteral("Состояние: ПР")) < 2 && t.elapsed() < HangBoundMs && cli.state() == QProcess::Running) {
        cli.waitForReadyRead(100);
        err += QString::fromUtf8(cli.readAllStandardError());
    }
    ::kill(pid_t(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(int(HangBoundMs)));
    EXPECT_EQ(cli.exitCode(), 130);
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    for (const QString &port : {a.path, b.path})
        EXPECT_TRUE(out.contains(port + QStringLiteral(" - Запись прервана"))) << out.toStdString();
}

// A station whose memory does not pass the check (noise on the line, a failing memory): every
// read says so, keeps what came (it is what the station holds), and a write goes on after its
// backup.
TEST_F(CliDrills, ReadsOfDataThatFailTheCheck) {
    // The station stores the first byte of channel 1's receive word inverted.
    SimProcess sim({QStringLiteral("--corrupt-byte"), QString::number(WriteStreamFixedLength + RecordByte::RxWord + 1)});
    ASSERT_EQ(runCli({QStringLiteral("write"), config, QStringLiteral("--port"), sim.path}).exitCode, 0);
    const QString warning = QStringLiteral("Данные станции не проходят «Контроль»: ");
    const QString noise = QStringLiteral("Возможны помехи на линии.");

    const QString out = dir.filePath(QStringLiteral("read.ini"));
    const CliResult r = runCli({QStringLiteral("read"), QStringLiteral("--port"), sim.path, QStringLiteral("-o"), out});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(warning) && r.err.contains(noise)) << r.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(r.out).contains(QStringLiteral("Прочитано каналов: 3"))) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(out)) << "what the station holds is kept";

    const CliResult d = runCli({QStringLiteral("diff"), config, QStringLiteral("--port"), sim.path});
    EXPECT_EQ(d.exitCode, 1);
    EXPECT_TRUE(d.err.contains(warning)) << d.err.toStdString();

    const QString backups = dir.filePath(QStringLiteral("backups"));
    const CliResult w = runCli({QStringLiteral("write"), config, QStringLiteral("--port"), sim.path,
                                QStringLiteral("--backup-dir"), backups});
    EXPECT_EQ(w.exitCode, 0) << w.err.toStdString();
    const QString said = QString::fromUtf8(w.out);
    EXPECT_TRUE(said.contains(QStringLiteral("Резервная копия %1/").arg(backups)) && said.contains(warning))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Записано в станцию: %1 байт").arg(WriteStreamFixedLength + RecordSize * 3)))
        << said.toStdString();
}

// A station holding what the check only advises against (minimum power level 4 on channel 1):
// the read says so as advice and succeeds; the backup before a write says the same.
TEST_F(CliDrills, AdviceOnWhatAStationHoldsIsNoFailure) {
    StreamImage held = defaultStationMemory(0);
    held.image.records[0][RecordByte::Pmin] = 4;
    const QString memory = dir.filePath(QStringLiteral("station.json"));
    saveStationMemory(memory, held);
    SimProcess sim({QStringLiteral("--memory"), memory});
    const QString advice = QStringLiteral("Канал 1: записан 4 уровень минимальной мощности, что не рекомендуется");
    const CliResult r = runCli({QStringLiteral("read"), QStringLiteral("--port"), sim.path, QStringLiteral("-o"),
                                dir.filePath(QStringLiteral("read.ini"))});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(advice) && !r.err.contains(QStringLiteral("помехи"))) << r.err.toStdString();
    const CliResult w = runCli({QStringLiteral("write"), config, QStringLiteral("--port"), sim.path,
                                QStringLiteral("--backup-dir"), dir.filePath(QStringLiteral("backups"))});
    EXPECT_EQ(w.exitCode, 0) << w.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(w.out).contains(QStringLiteral(": ") + advice)) << w.out.toStdString();
}
