// SPDX-License-Identifier: GPL-3.0-or-later
// The station journal at a workshop's scale: a million entries over ten thousand stations and
// five configurations, on SQLite and on a PostgreSQL started for the run. The figures: listing
// one station's entries, writing one entry, and the journal's size on disk.
#include "journal/exchange_entries.h"
#include "journal/journal.h"
#include "journal/journal_store.h"
#include "sim/station_memory.h"
#include "sim/station_model.h"
#include "sim/station_port.h"
#include "station_link/fleet_write.h"
#include "support/postgres_server.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <thread>
#include <memory>

namespace {

using namespace tolvin;

constexpr int Entries = 1000000;
constexpr int Stations = 10000;
constexpr int Configurations = 5;

// One journal filled once per run and kept for every benchmark of its database.
struct FilledJournal {
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<test::PostgresServer> server;
    std::unique_ptr<JournalStore> store;
    QString error;
    double fillSeconds = 0;
    qint64 sizeBytes = 0;
};

JournalEntry entryOf(int i, int config) {
    JournalEntry e = newJournalEntry(JournalOp::Write);
    e.device = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    e.serial = QString::number(100000 + i % Stations);
    e.stationType = QStringLiteral("Толвин 7К-62");
    e.message = QStringLiteral("Записано в станцию: 241 байт");
    e.durationMs = 4321;
    QByteArray file = "[Общие установки]\r\n";
    file += QByteArray(4000, 'x') + QByteArray::number(config);
    setJournalConfig(e, file);
    return e;
}

// The bulk of the entries is made by the database itself (one statement, the same on both);
// the configurations, and an entry of each, go in through the store as the program writes them.
void fill(FilledJournal &j, const JournalPlace &place) {
    j.store = std::make_unique<JournalStore>(place);
    QStringList hashes;
    for (int c = 0; c < Configurations; ++c) {
        const JournalEntry e = entryOf(c, c);
        j.store->add(e);
        hashes << e.configSha256;
    }
    QSqlDatabase db = QSqlDatabase::database(j.store->connectionName(), false);
    QString pick = QStringLiteral("CASE n.i % 5");
    for (int c = 0; c < Configurations; ++c)
        pick += QStringLiteral(" WHEN %1 THEN '%2'").arg(c).arg(hashes.at(c));
    pick += QStringLiteral(" END");
    const auto t0 = std::chrono::steady_clock::now();
    QSqlQuery q(db);
    const QString sql = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO entries (id, time_ms, bench, login, version, device, operation, serial, station_type, result, "
        "message, duration_ms, config_sha256, differences) "
        "SELECT 'b0d2c6f1-3c1e-4a8f-9d7e-' || (100000000000 + n.i), 1780000000000 + n.i * 1000, 'bench-07', "
        "'technician', '0.1.0', '/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0', 'write', "
        "'' || (100000 + n.i % %2), 'Толвин 7К-62', 'ok', 'Записано в станцию: 241 байт', 4321, %3, '' FROM n")
                            .arg(Entries - Configurations)
                            .arg(Stations)
                            .arg(pick);
    if (!q.exec(sql))
        j.error = q.lastError().text();
    j.fillSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    q.exec(QStringLiteral("ANALYZE"));
    // What SQLite's automatic checkpoint does after an ordinary entry; one load of a million
    // entries would otherwise leave them all in the write-ahead file as well.
    if (!j.store->shared())
        q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    j.sizeBytes = j.store->sizeOnDisk();
}

FilledJournal &sqliteJournal() {
    static FilledJournal j = [] {
        FilledJournal f;
        f.dir = std::make_unique<QTemporaryDir>();
        const QString path = f.dir->filePath(QStringLiteral("journal.sqlite"));
        fill(f, parseJournalPlace(QStringLiteral("sqlite:") + path));
        return f;
    }();
    return j;
}

FilledJournal &postgresJournal() {
    static FilledJournal j = [] {
        FilledJournal f;
        if (!test::PostgresServer::available()) {
            f.error = QStringLiteral("PostgreSQL is not installed");
            return f;
        }
        f.server = std::make_unique<test::PostgresServer>();
        if (!f.server->ok()) {
            f.error = f.server->error();
            return f;
        }
        fill(f, parseJournalPlace(f.server->uri()));
        return f;
    }();
    return j;
}

void listOneStation(benchmark::State &state, FilledJournal &j) {
    if (!j.error.isEmpty() || !j.store) {
        state.SkipWithError(j.error.toStdString().c_str());
        return;
    }
    int serial = 0;
    size_t found = 0;
    for (auto _ : state) {
        JournalQuery q;
        q.serial = QString::number(100000 + (serial++ * 7919) % Stations);
        found = j.store->list(q).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["entries_per_station"] = double(found);
    state.counters["journal_MB"] = double(j.sizeBytes) / 1e6;
    state.counters["fill_s"] = j.fillSeconds;
}

void writeOneEntry(benchmark::State &state, FilledJournal &j) {
    if (!j.error.isEmpty() || !j.store) {
        state.SkipWithError(j.error.toStdString().c_str());
        return;
    }
    int i = 0;
    for (auto _ : state) {
        j.store->add(entryOf(i, i % Configurations));
        ++i;
    }
}

void BM_JournalListOneStationOfAMillion_Sqlite(benchmark::State &state) { listOneStation(state, sqliteJournal()); }
void BM_JournalListOneStationOfAMillion_Postgres(benchmark::State &state) { listOneStation(state, postgresJournal()); }
void BM_JournalWriteOneEntry_Sqlite(benchmark::State &state) { writeOneEntry(state, sqliteJournal()); }
void BM_JournalWriteOneEntry_Postgres(benchmark::State &state) { writeOneEntry(state, postgresJournal()); }

// A fleet of 64 in-process stations (no line to wait for, so the journal's share would show),
// with a backup and a verify per station, journaling each port's entries as it ends, or not.
void fleetOf64(benchmark::State &state, bool journaled) {
    constexpr int Ports = 64;
    const StreamImage image = defaultStationMemory(0);
    std::vector<std::unique_ptr<StationModel>> stations;
    std::map<QString, StationModel *> byDevice;
    QStringList devices;
    for (int i = 0; i < Ports; ++i) {
        stations.push_back(std::make_unique<StationModel>(image, image.StationType));
        devices << QStringLiteral("/dev/station-%1").arg(i);
        byDevice[devices.last()] = stations.back().get();
    }
    QTemporaryDir dir;
    std::unique_ptr<Journal> journal;
    if (journaled)
        journal = std::make_unique<Journal>(parseJournalPlace(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("j.sqlite"))));
    WriteSafeguards safeguards;
    safeguards.backup = true;
    safeguards.backupFolder = dir.filePath(QStringLiteral("backups"));
    safeguards.verify = true;
    const QByteArray file = "[Общие установки]\r\n";
    for (auto _ : state) {
        writeFleet(devices, image, safeguards, nullptr, nullptr,
                   [&](const QString &device, StopFlag) { return std::make_unique<StationPort>(*byDevice.at(device)); },
                   [&](const FleetPortResult &p) {
                       if (journal)
                           journal->record(safeWriteEntries(p.result, file, {p.device, p.duration}));
                   });
    }
    if (journal) {
        const auto t0 = std::chrono::steady_clock::now();
        journal->flush();
        state.counters["journal_catch_up_ms"] =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    }
}

// The end of a command that recorded three entries (the Journal's end, as tolvin-cli's), with the
// shared journal's tables locked by another session (0) or the server frozen (1): the goal is
// two seconds at most, whatever the server does.
void BM_CommandEndWithTheServer(benchmark::State &state) {
    if (!test::PostgresServer::available()) {
        state.SkipWithError("PostgreSQL is not installed");
        return;
    }
    test::PostgresServer server;
    QTemporaryDir dir;
    const JournalPlace shared = parseJournalPlace(server.uri());
    { JournalStore made(shared); }
    std::unique_ptr<QProcess> holder;
    if (state.range(0) == 0) {
        holder = server.hold(QStringLiteral("BEGIN; LOCK TABLE entries IN ACCESS EXCLUSIVE MODE; SELECT pg_sleep(600)"));
        std::this_thread::sleep_for(std::chrono::seconds(1));
    } else {
        server.freeze(true);
    }
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        {
            Journal journal(shared, nullptr, dir.filePath(QStringLiteral("bench.sqlite")));
            for (int i = 0; i < 3; ++i)
                journal.record(entryOf(i, 0));
        }
        state.counters["end_s"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    server.freeze(false);
    if (holder) {
        holder->kill();
        holder->waitForFinished();
    }
}

void BM_FleetOf64_JournalOff(benchmark::State &state) { fleetOf64(state, false); }
void BM_FleetOf64_JournalOn(benchmark::State &state) { fleetOf64(state, true); }

BENCHMARK(BM_CommandEndWithTheServer)->ArgName("stalled")->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_FleetOf64_JournalOff)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_FleetOf64_JournalOn)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_JournalListOneStationOfAMillion_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_JournalWriteOneEntry_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_JournalListOneStationOfAMillion_Postgres)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_JournalWriteOneEntry_Postgres)->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace
