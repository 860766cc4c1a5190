// Fault drills of tolvin-cli write, read and type against tolvin-sim, as a script runs them: each
// ends within a bound with a non-zero exit and the reason on standard error, leaves no half
// file behind, and the next run against a working station succeeds.
#include "cli/cli_run.h"

#include "check/data_check.h"
#include "common/numbers.h"
#include "settings_file/settings_file.h"
#include "support/recording_operator.h"
#include "support/sim_process.h"
#include "table/template.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
        Editor ed;
        selectBand(ed, 2);
        ed.templ = {QStringLiteral("3"), QStringLiteral("150000"), QStringLiteral("25")};
        RecordingOperator op;
        ASSERT_TRUE(createTemplate(ed, op));
        saveSettingsFile(ed, config);
    }

    struct Drill {
        const char *fault;
        QStringList sim;
        const char16_t *says;   // part of what standard error must say
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
        EXPECT_TRUE(r.err.contains(QString::fromUtf16(d.says))) << d.fault << ": " << r.err.toStdString();
        if (afterFault)
            afterFault();

        SimProcess healthy({});
        const CliResult again = runCli(command(healthy.path));
        EXPECT_EQ(again.exitCode, 0) << d.fault << ": the next run: " << again.err.toStdString();
    }

    QTemporaryDir dir;
    QString config = dir.filePath(QStringLiteral("in.ini"));
};

QStringList args(std::initializer_list<const char *> a) {
    QStringList l;
    for (const char *s : a)
        l << QString::fromLatin1(s);
    return l;
}

} // namespace

TEST_F(CliDrills, Write) {
    const Drill drills[] = {
        {"silent", args({"--silent"}), u"Станция не ответила на запрос записи"},
        {"stops in the header", args({"--stop-after", "3"}), u"Станция не ответила на байт 3 из 79"},
        {"stops in the tones", args({"--stop-after", "11"}), u"Станция не ответила на байт 11 из 79"},
        {"stops in record 2", args({"--stop-after", "53"}), u"Станция не ответила на байт 53 из 79"},
        {"hangs up", args({"--hang-up-after", "40"}), u"потеряна"},
    };
    for (const Drill &d : drills)
        drill(d, [&](const QString &port) { return QStringList{QStringLiteral("write"), config, QStringLiteral("--port"), port}; });
}

TEST_F(CliDrills, Read) {
    const QString out = dir.filePath(QStringLiteral("read.ini"));
    const Drill drills[] = {
        {"silent", args({"--silent"}), u"Станция не ответила: заголовок"},
        {"stops in the tones", args({"--stop-sending-after", "15"}), u"Станция не ответила: тон 6"},
        {"stops in record 3", args({"--stop-sending-after", "73"}), u"Станция не ответила: канал 3 из 4"},
        {"hangs up", args({"--hang-up-after", "1"}), u"потеряна"},
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
        {"silent", args({"--silent"}), u"Станция не ответила на запрос типа станции"},
        {"stops in the sequence", args({"--stop-after", "2"}), u"Станция не ответила на запрос типа станции"},
        {"hangs up", args({"--hang-up-after", "2"}), u"потеряна"},
    };
    for (const Drill &d : drills)
        drill(d, [](const QString &port) { return QStringList{QStringLiteral("type"), QStringLiteral("--port"), port}; });
}

TEST_F(CliDrills, StationsThatSendMoreThanAsked) {
    SimProcess sim(args({"--flood", "5", "--type", "4"}));
    const CliResult w = runCli({QStringLiteral("write"), config, QStringLiteral("--port"), sim.path});
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
