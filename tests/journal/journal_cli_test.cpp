// SPDX-License-Identifier: GPL-3.0-or-later
// The journal as tolvin-cli keeps it, against tolvin-sim: what each operation leaves, restoring a
// station from it, and a shared journal that goes away in the middle of a fleet write.
#include "check/data_check.h"
#include "cli/cli_run.h"
#include "cli/commands.h"
#include "journal/exchange_entries.h"
#include "journal/journal.h"
#include "journal/journal_store.h"
#include "journal_backend.h"
#include "sim/station_memory.h"
#include "sim/station_model.h"
#include "sim/station_port.h"
#include "station_link/fleet_write.h"
#include "support/sim_process.h"
#include "support/template_file.h"
#include "settings_file/settings_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <future>
#include <map>
#include <thread>
#include <mutex>

using namespace tolvin;
using namespace tolvin::test;

namespace {

class JournalCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliPath().isEmpty() || simPath().isEmpty())
            GTEST_SKIP() << "tolvin-cli or tolvin-sim is not built";
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("TOLVIN_JOURNAL"), QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("j.sqlite")));
    }
    CliResult cli(const QStringList &args) { return runCli(args, env); }
    QString file(const QString &name) { return dir.filePath(name); }
    static QByteArray bytesOf(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The journal as a script sees it, newest first.
    QJsonArray entries(const QStringList &filter = {}) {
        const CliResult r = cli(QStringList{QStringLiteral("journal"), QStringLiteral("--json")} + filter);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out).array();
    }
    QTemporaryDir dir;
    QProcessEnvironment env;
};

TEST_F(JournalCliTest, EveryOperationLeavesWhatItLearned) {
    const QString in = file(QStringLiteral("in.ini"));
    saveTemplateFile(in, 2, 12);
    {
        SimProcess sim({QStringLiteral("--memory"), file(QStringLiteral("m.json"))});
        ASSERT_EQ(cli({QStringLiteral("write"), in, QStringLiteral("--port"), sim.path, QStringLiteral("--backup"),
                       QStringLiteral("--verify")}).exitCode, 0);
        ASSERT_EQ(cli({QStringLiteral("read"), QStringLiteral("--port"), sim.path, QStringLiteral("-o"), file(QStringLiteral("r.ini"))}).exitCode, 0);
        ASSERT_EQ(cli({QStringLiteral("type"), QStringLiteral("--port"), sim.path}).exitCode, 0);
        ASSERT_EQ(cli({QStringLiteral("diff"), in, QStringLiteral("--port"), sim.path}).exitCode, 0);
    }
    {
        SimProcess silent({QStringLiteral("--silent")});
        ASSERT_NE(cli({QStringLiteral("read"), QStringLiteral("--port"), silent.path, QStringLiteral("-o"), file(QStringLiteral("x.ini"))}).exitCode, 0);
    }
    ASSERT_EQ(cli({QStringLiteral("report"), in, QStringLiteral("--serial"), QStringLiteral("S7K62-1"), QStringLiteral("-o"),
                   file(QStringLiteral("p.docx"))}).exitCode, 0);

    const QJsonArray all = entries();
    struct Expected {
        const char *operation, *result, *serial;
        bool config;
    };
    // Newest first.
    const Expected expected[] = {
        {"report", "ok", "S7K62-1", true}, {"read", "failed", "", false}, {"diff", "ok", "070001", true},
        {"type", "ok", "", false},         {"read", "ok", "070001", true}, {"verify", "ok", "070001", true},
        {"write", "ok", "070001", true},   {"backup", "ok", "070001", true},
    };
    ASSERT_EQ(all.size(), qsizetype(std::size(expected))) << QJsonDocument(all).toJson().constData();
    const QStringList keys{"bench", "config_sha256", "device", "duration_ms", "id", "message", "operation",
                           "result", "serial", "station_type", "time", "user"};
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QJsonObject e = all.at(i).toObject();
        const Expected &x = expected[i];
        EXPECT_EQ(e.keys(), keys);
        EXPECT_EQ(e.value("operation").toString(), QLatin1String(x.operation)) << i;
        EXPECT_EQ(e.value("result").toString(), QLatin1String(x.result)) << x.operation;
        EXPECT_EQ(e.value("serial").toString(), QLatin1String(x.serial)) << x.operation;
        EXPECT_EQ(e.value("config_sha256").isString(), x.config) << x.operation;
        EXPECT_TRUE(e.value("config_sha256").isString() || e.value("config_sha256").isNull());
        EXPECT_TRUE(QDateTime::fromString(e.value("time").toString(), Qt::ISODateWithMs).isValid());
        EXPECT_TRUE(e.value("time").toString().endsWith('Z'));
        EXPECT_FALSE(e.value("message").toString().isEmpty()) << x.operation;
    }
    EXPECT_EQ(all.at(3).toObject().value("station_type").toString(), QStringLiteral("Толвин 7К-62"));
    EXPECT_EQ(all.at(6).toObject().value("message").toString(), QStringLiteral("Записано в станцию: %1 байт").arg(25 + 18 * 12));
    // The write keeps the file it came from, the backup and the verify what the station sent.
    const auto show = [&](int i, const QString &out) {
        return cli({QStringLiteral("journal"), QStringLiteral("show"), all.at(i).toObject().value("id").toString(),
                    QStringLiteral("-o"), out});
    };
    ASSERT_EQ(show(6, file(QStringLiteral("w.ini"))).exitCode, 0);
    Editor loaded;
    QTextStream quiet(stderr);
    ASSERT_TRUE(cli::loadEditor(loaded, in, quiet));
    QString checkMessage;
    ASSERT_TRUE(cli::runCheckCommand(loaded, checkMessage));
    EXPECT_EQ(bytesOf(file(QStringLiteral("w.ini"))), settingsFileBytes(loaded))
        << "the file as «Запись в файл» saves it after «Контроль»";
    ASSERT_EQ(show(4, file(QStringLiteral("read.ini"))).exitCode, 0);
    EXPECT_EQ(bytesOf(file(QStringLiteral("read.ini"))), bytesOf(file(QStringLiteral("r.ini"))));
    EXPECT_EQ(all.at(5).toObject().value("config_sha256"), all.at(4).toObject().value("config_sha256"))
        << "the verify and the read after it saw the same station";
    // No configuration, no entry: exit 2 and nothing written.
    EXPECT_EQ(show(3, file(QStringLiteral("t.ini"))).exitCode, 2);
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("t.ini"))));
    EXPECT_EQ(cli({QStringLiteral("journal"), QStringLiteral("show"), QStringLiteral("no-such-id"), QStringLiteral("-o"),
                   file(QStringLiteral("n.ini"))}).exitCode, 2);

    // Filters.
    EXPECT_EQ(entries({QStringLiteral("--serial"), QStringLiteral("070001")}).size(), 5);
    EXPECT_EQ(entries({QStringLiteral("--limit"), QStringLiteral("2")}).size(), 2);
    EXPECT_EQ(entries({QStringLiteral("--since"), QDate::currentDate().addDays(2).toString(Qt::ISODate)}).size(), 0);
    const CliResult text = cli({QStringLiteral("journal"), QStringLiteral("--serial"), QStringLiteral("070001")});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(text.out).count('\n'), 5);
    for (const QStringList &bad : {QStringList{"--since", "10.12.2026"}, QStringList{"--limit", "0"}, QStringList{"--bogus"}})
        EXPECT_EQ(cli(QStringList{QStringLiteral("journal")} + bad).exitCode, 2) << bad.join(' ').toStdString();
}

TEST_F(JournalCliTest, StoredTextsReachTheTerminalEscapedOneLineAnEntryAndScriptsExactly) {
    // What a station or another bench put into the journal, and how a terminal is shown it.
    struct Case {
        QString stored, shown;
    };
    const Case cases[] = {
        {QStringLiteral("07A1F3\x1B[2J\x1B]0;title\x07"), QStringLiteral("07A1F3\\x1B[2J\\x1B]0;title\\x07")},
        {QStringLiteral("07A1F3\n2026-12-10 10:00:00  write    070001  ok"), QStringLiteral("07A1F3\\n2026-12-10 10:00:00  write    070001  ok")},
        {QStringLiteral("07\tA1\rF3"), QStringLiteral("07\\tA1\\rF3")},
        {QStringLiteral("07\\x1B"), QStringLiteral("07\\\\x1B")}, // only looks like an escape
        {QStringLiteral("07A1F3\u202E3F1A70"), QStringLiteral("07A1F3\\u202E3F1A70")},
    };
    {
        JournalStore store(parseJournalPlace(QStringLiteral("sqlite:") + file(QStringLiteral("j.sqlite"))));
        for (size_t i = 0; i < std::size(cases); ++i) {
            JournalEntry e = sampleEntry(cases[i].stored, int(i));
            e.device = cases[i].stored;
            store.add(e);
        }
    }
    const CliResult r = cli({QStringLiteral("journal")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString out = QString::fromUtf8(r.out);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), qsizetype(std::size(cases))) << r.out.constData();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const QString &line = lines.at(qsizetype(std::size(cases) - 1 - i)); // newest first
        EXPECT_EQ(line.count(cases[i].shown), 2) << line.toStdString(); // the serial number and the device
    }
    for (const QChar c : out)
        ASSERT_TRUE(c == QLatin1Char('\n') ||
                    (c.unicode() >= 0x20 && (c.unicode() < 0x7F || c.unicode() > 0x9F) && c.unicode() != 0x202E))
            << "U+" << std::hex << int(c.unicode());
    QStringList stored, exact;
    for (const Case &c : cases)
        stored << c.stored;
    for (const QJsonValue &e : entries())
        exact.prepend(e.toObject().value("serial").toString());
    EXPECT_EQ(exact, stored) << "scripts read what is stored";
    const CliResult show = cli({QStringLiteral("journal"), QStringLiteral("show"), entries().last().toObject().value("id").toString(),
                                QStringLiteral("-o"), file(QStringLiteral("s.ini"))});
    EXPECT_TRUE(QString::fromUtf8(show.out).contains(cases[0].shown)) << show.out.constData();
}

TEST_F(JournalCliTest, AStationRestoredFromTheJournalGetsTheSameBytes) {
    const QString a = file(QStringLiteral("a.ini")), b = file(QStringLiteral("b.ini"));
    saveTemplateFile(a, 2, 20);
    saveTemplateFile(b, 2, 3);
    QByteArray first;
    {
        SimProcess sim({QStringLiteral("--log")});
        ASSERT_EQ(cli({QStringLiteral("write"), a, QStringLiteral("--port"), sim.path}).exitCode, 0);
        first = sim.received();
    }
    SimProcess sim({QStringLiteral("--log"), QStringLiteral("--memory"), file(QStringLiteral("m.json"))});
    ASSERT_EQ(cli({QStringLiteral("write"), b, QStringLiteral("--port"), sim.path}).exitCode, 0);
    const QJsonArray writes = entries();
    ASSERT_EQ(writes.size(), 2);
    ASSERT_EQ(cli({QStringLiteral("journal"), QStringLiteral("show"), writes.at(1).toObject().value("id").toString(),
                   QStringLiteral("-o"), file(QStringLiteral("restore.ini"))}).exitCode, 0);
    ASSERT_EQ(cli({QStringLiteral("write"), file(QStringLiteral("restore.ini")), QStringLiteral("--port"), sim.path}).exitCode, 0);
    const QByteArray all = sim.received();
    ASSERT_GT(all.size(), first.size());
    EXPECT_EQ(all.right(first.size()), first) << "the restoring write sends what the first write sent";
}

TEST_F(JournalCliTest, ABrokenJournalIsSaidAndTheExchangeStillRuns) {
    QFile f(file(QStringLiteral("j.sqlite")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    SimProcess sim({});
    const CliResult r = cli({QStringLiteral("type"), QStringLiteral("--port"), sim.path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(r.out).contains(QStringLiteral("Толвин 7К-62"))) << r.out.constData();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Журнал станций %1").arg(file(QStringLiteral("j.sqlite"))))) << r.err.toStdString();
    const CliResult list = cli({QStringLiteral("journal")});
    EXPECT_EQ(list.exitCode, 2);
    EXPECT_TRUE(list.out.isEmpty());
    env.insert(QStringLiteral("TOLVIN_JOURNAL"), QStringLiteral("nonsense"));
    EXPECT_EQ(cli({QStringLiteral("journal")}).exitCode, 2);
}

TEST_F(JournalCliTest, TheSharedJournalStoppedInTheMiddleOfAFleetWriteGetsEveryEntryOnce) {
    std::unique_ptr<PostgresServer> server;
    startPostgres(server);
    if (IsSkipped() || HasFatalFailure())
        return;
    env.insert(QStringLiteral("TOLVIN_JOURNAL"), server->uri());
    const QString local = dir.filePath(QStringLiteral("data/tolvin/journal.sqlite"));

    const Editor ed = templateEditor(2, 12);
    const DataCheckResult checked = checkData(ed);
    ASSERT_TRUE(checked.passed) << checked.message.toStdString();
    const StreamImage image{checked.image, checked.ModuleType, ed.state.StationType};
    constexpr int Ports = 6;
    std::map<QString, std::unique_ptr<StationModel>> stations;
    QStringList devices;
    for (int i = 0; i < Ports; ++i) {
        devices << QStringLiteral("/dev/station-%1").arg(i);
        stations[devices.last()] = std::make_unique<StationModel>(defaultStationMemory(image.StationType), image.StationType);
    }
    int recorded = 0;
    {
        Journal journal(parseJournalPlace(server->uri()), nullptr, local);
        journal.record(sampleEntry(QStringLiteral("120000"), 0));
        recorded = 1;
        journal.flush();
        // The server is stopped from this thread, the one that started it, while the first
        // station's job waits on its own thread.
        std::promise<void> firstDone, serverStopped;
        std::shared_future<void> stoppedFuture = serverStopped.get_future().share();
        std::once_flag first;
        std::mutex counting;
        WriteSafeguards safeguards;
        safeguards.backup = true;
        safeguards.backupFolder = dir.filePath(QStringLiteral("backups"));
        safeguards.verify = true;
        std::vector<FleetPortResult> results;
        std::jthread fleet([&] {
            results = writeFleet(
                devices, image, safeguards, nullptr, nullptr,
                [&](const QString &device, StopFlag) { return std::make_unique<StationPort>(*stations.at(device)); },
                [&](const FleetPortResult &p) {
                    std::call_once(first, [&] {
                        firstDone.set_value();
                        stoppedFuture.wait();
                    });
                    std::vector<JournalEntry> e =
                        safeWriteEntries(p.result, settingsFileBytes(ed), {p.device, p.duration});
                    const std::lock_guard lock(counting);
                    recorded += int(e.size());
                    journal.record(std::move(e));
                });
        });
        firstDone.get_future().wait();
        EXPECT_TRUE(server->stop());
        serverStopped.set_value();
        fleet.join();
        for (const FleetPortResult &p : results)
            EXPECT_TRUE(p.result.ok()) << p.result.message.toStdString();
    }
    EXPECT_EQ(recorded, 1 + 3 * Ports);
    const CliResult away = cli({QStringLiteral("journal"), QStringLiteral("sync")});
    EXPECT_EQ(away.exitCode, 1) << away.err.toStdString();
    ASSERT_TRUE(server->start());
    const CliResult back = cli({QStringLiteral("journal"), QStringLiteral("sync")});
    EXPECT_EQ(back.exitCode, 0) << back.err.toStdString();
    EXPECT_EQ(cli({QStringLiteral("journal"), QStringLiteral("sync")}).exitCode, 0);
    QString n;
    ASSERT_TRUE(server->runSql(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT id) FROM entries"), &n)) << n.toStdString();
    EXPECT_EQ(n, QStringLiteral("%1|%1").arg(recorded));
    ASSERT_TRUE(server->runSql(QStringLiteral("SELECT COUNT(*) FROM entries WHERE operation = 'write' AND serial <> '120000'"), &n));
    EXPECT_EQ(n, QString::number(Ports)) << "one write entry per port";
    EXPECT_EQ(entries({QStringLiteral("--limit"), QStringLiteral("1000")}).size(), recorded);
}

} // namespace

namespace {

TEST_F(JournalCliTest, AWriteNamesTheStationsTypeOnlyWhereTheExchangeLearnedIt) {
    const QString in = file(QStringLiteral("in.ini"));
    saveTemplateFile(in, 2, 3);
    struct Case {
        QStringList simArgs, writeArgs;
        int exitCode;
        const char *writeResult;
        QString stationType;
    };
    const Case cases[] = {
        {{}, {QStringLiteral("--backup")}, 0, "ok", QStringLiteral("Толвин 7К-62")},
        {{}, {}, 0, "ok", QStringLiteral("Толвин 7К-62")},                       // the type query
        {{QStringLiteral("--type"), QStringLiteral("4")}, {}, 1, "failed", QStringLiteral("Толвин 7К-63")},
        {{}, {QStringLiteral("--ignore-type")}, 0, "ok", QString()},             // nothing asked
    };
    for (const Case &c : cases) {
        SimProcess sim(c.simArgs);
        const CliResult w = cli(QStringList{QStringLiteral("write"), in, QStringLiteral("--port"), sim.path} + c.writeArgs);
        EXPECT_EQ(w.exitCode, c.exitCode) << w.err.toStdString();
        const QJsonObject write = entries().at(0).toObject();
        EXPECT_EQ(write.value("operation").toString(), QStringLiteral("write"));
        EXPECT_EQ(write.value("result").toString(), QLatin1String(c.writeResult)) << c.writeArgs.join(' ').toStdString();
        EXPECT_EQ(write.value("station_type").toString(), c.stationType) << c.writeArgs.join(' ').toStdString();
    }
}

} // namespace
