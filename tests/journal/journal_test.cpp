// SPDX-License-Identifier: GPL-3.0-or-later
// The journal's own thread: nothing recorded is lost, from many threads and many processes;
// entries for a shared journal that is away wait on the bench and are sent exactly once; a
// journal that cannot be written is said once and stops nothing.
#include "journal/journal.h"
#include "journal/journal_store.h"
#include "journal/journal_spill.h"
#include "journal_backend.h"
#include "support/unprivileged.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QProcess>
#include <mutex>
#include <thread>

using namespace tolvin;
using namespace tolvin::test;

namespace {

struct Notices {
    std::mutex mutex;
    QStringList texts;
    Journal::Notice sink() {
        return [this](const QString &t) {
            const std::lock_guard lock(mutex);
            texts << t;
        };
    }
    QStringList all() {
        const std::lock_guard lock(mutex);
        return texts;
    }
};

// Entries a child process of this test program writes when asked (see LoadFromManyProcesses).
constexpr const char *LoadVariable = "TOLVIN_TEST_JOURNAL_LOAD";

using JournalThreadTest = JournalBackendTest;

TEST_P(JournalThreadTest, EntriesFromManyThreadsAllArrive) {
    Notices notices;
    {
        Journal journal(place(), notices.sink(), dir.filePath(QStringLiteral("local.sqlite")));
        std::vector<std::jthread> threads;
        for (int t = 0; t < 8; ++t)
            threads.emplace_back([&journal, t] {
                for (int i = 0; i < 50; ++i)
                    journal.record(sampleEntry(QStringLiteral("0C00%1").arg(t, 2, 10, QLatin1Char('0')), i, i % 4));
            });
        threads.clear();
        journal.flush();
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM entries")), 400);
        journal.record(sampleEntry(QStringLiteral("0C0099"), 0));
    } // the last one is stored before the journal ends
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM entries")), 401);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM configs")), 4);
    EXPECT_TRUE(notices.all().isEmpty()) << notices.all().join('\n').toStdString();
}

TEST_P(JournalThreadTest, EightProcessesWritingAtOnceLoseNothing) {
    // Each child is this test program running only the load below.
    constexpr int Processes = 8, Each = 150;
    std::vector<std::unique_ptr<QProcess>> children;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(LoadVariable), QString::number(Each));
    env.insert(QStringLiteral("TOLVIN_JOURNAL"), place().kind == JournalPlace::Kind::Postgres ? place().uri
                                                                                              : QStringLiteral("sqlite:") + place().path);
    for (int i = 0; i < Processes; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=JournalLoad.*")});
        children.push_back(std::move(p));
    }
    for (auto &p : children) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardOutput().toStdString();
    }
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM entries")), Processes * Each);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(DISTINCT id) FROM entries")), Processes * Each);
}

INSTANTIATE_TEST_SUITE_P(Backends, JournalThreadTest, ::testing::Values(Backend::Sqlite, Backend::Postgres), backendName);

// Run only as a child of EightProcessesWritingAtOnceLoseNothing.
TEST(JournalLoad, WriteEntries) {
    const int each = qEnvironmentVariableIntValue(LoadVariable);
    if (each <= 0)
        GTEST_SKIP() << "only as a child of the many-processes test";
    Notices notices;
    {
        Journal journal(configuredJournalPlace(), notices.sink());
        for (int i = 0; i < each; ++i) {
            journal.record(sampleEntry(QStringLiteral("0D%1").arg(::getpid() % 10000, 4, 10, QLatin1Char('0')), i, i % 2));
            if (i % 10 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1)); // interleave with the others
        }
    }
    EXPECT_TRUE(notices.all().isEmpty()) << notices.all().join('\n').toStdString();
}

TEST_F(SharedJournalTest, AnUnreachableSharedJournalKeepsEntriesHereUntilItAnswers) {
    const QString local = dir.filePath(QStringLiteral("bench.sqlite"));
    const JournalPlace shared = parseJournalPlace(server->uri());
    std::vector<JournalEntry> recorded;
    Notices notices;
    {
        Journal journal(shared, notices.sink(), local);
        for (int i = 0; i < 5; ++i) {
            recorded.push_back(sampleEntry(QStringLiteral("0E0000"), i, 1));
            journal.record(recorded.back());
        }
        journal.flush();
        ASSERT_TRUE(server->stop());
        // The network goes: these wait on the bench, and the technician is told once.
        for (int i = 5; i < 12; ++i) {
            recorded.push_back(sampleEntry(QStringLiteral("0E0000"), i, 2));
            journal.record(recorded.back());
        }
        journal.flush();
        const SyncOutcome away = journal.sync();
        EXPECT_FALSE(away.reachable);
        EXPECT_EQ(away.left, 7);
        ASSERT_EQ(notices.all().size(), 1) << notices.all().join('\n').toStdString();
        EXPECT_TRUE(notices.all().front().contains(QStringLiteral("будут отправлены позже")))
            << notices.all().front().toStdString();
        ASSERT_TRUE(server->start());
        const SyncOutcome back = journal.sync();
        EXPECT_TRUE(back.reachable) << back.message.toStdString();
        EXPECT_EQ(back.sent, 7);
        EXPECT_EQ(back.left, 0);
        EXPECT_EQ(journal.sync().sent, 0) << "nothing is sent twice";
    }
    QString n;
    ASSERT_TRUE(server->runSql(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT id) FROM entries"), &n)) << n.toStdString();
    EXPECT_EQ(n, QStringLiteral("12|12"));
    ASSERT_TRUE(server->runSql(QStringLiteral("SELECT COUNT(*) FROM configs"), &n));
    EXPECT_EQ(n, QStringLiteral("2"));
    JournalPlace bench;
    bench.path = local;
    EXPECT_EQ(JournalStore(bench).waitingCount(), 0);
}

// A server whose tables another session holds locked (a migration, a dump), or that stops
// answering (a suspended machine): the end of the command that recorded waits its two seconds
// and says the entries wait here; once the server answers, every entry arrives exactly once.
TEST_F(SharedJournalTest, ALockedOrStalledServerHoldsUpNobody) {
    const QString local = dir.filePath(QStringLiteral("bench.sqlite"));
    const JournalPlace shared = parseJournalPlace(server->uri());
    { JournalStore made(shared); }
    std::unique_ptr<QProcess> holder;
    const struct {
        const char *what;
        std::function<void()> begin, end;
    } cases[] = {
        {"locked",
         [&] {
             holder = server->hold(QStringLiteral("BEGIN; LOCK TABLE entries IN ACCESS EXCLUSIVE MODE; SELECT pg_sleep(120)"));
             QString n;
             for (int i = 0; i < 100 && n != QLatin1String("1"); ++i) {
                 std::this_thread::sleep_for(std::chrono::milliseconds(50));
                 server->runSql(QStringLiteral("SELECT COUNT(*) FROM pg_locks l JOIN pg_class c ON c.oid = l.relation "
                                               "WHERE c.relname = 'entries' AND l.mode = 'AccessExclusiveLock' AND l.granted"),
                                &n);
             }
             ASSERT_EQ(n, QStringLiteral("1"));
         },
         [&] {
             // The session's server process keeps the lock until it is ended itself.
             server->runSql(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                           "WHERE query LIKE '%pg_sleep%' AND pid <> pg_backend_pid()"));
             holder->waitForFinished();
         }},
        {"stalled", [&] { server->freeze(true); }, [&] { server->freeze(false); }},
    };
    int serial = 0;
    for (const auto &c : cases) {
        const QString station = QStringLiteral("13%1").arg(++serial, 4, 10, QLatin1Char('0'));
        c.begin();
        Notices notices;
        QElapsedTimer t;
        t.start();
        {
            Journal journal(shared, notices.sink(), local);
            for (int i = 0; i < 3; ++i)
                journal.record(sampleEntry(station, i));
        }
        EXPECT_LT(t.elapsed(), 10000) << c.what;
        EXPECT_EQ(notices.all().size(), 1) << c.what << ": " << notices.all().join('\n').toStdString();
        c.end();
        { Journal nextRun(shared, nullptr, local); }
        QString n;
        ASSERT_TRUE(server->runSql(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT id) FROM entries WHERE serial = '%1'")
                                       .arg(station),
                                   &n))
            << n.toStdString();
        EXPECT_EQ(n, QStringLiteral("3|3")) << c.what;
    }
}

TEST_F(SharedJournalTest, AnEntryTheServerRefusesHoldsBackNoOther) {
    const JournalPlace shared = parseJournalPlace(server->uri());
    { JournalStore made(shared); }
    QString out;
    ASSERT_TRUE(server->runSql(QStringLiteral("ALTER TABLE entries ADD CONSTRAINT no_test CHECK (serial <> 'BAD000')"), &out))
        << out.toStdString();
    Notices notices;
    Journal journal(shared, notices.sink(), dir.filePath(QStringLiteral("bench.sqlite")));
    journal.record({sampleEntry(QStringLiteral("0A0000"), 0), sampleEntry(QStringLiteral("BAD000"), 1),
                    sampleEntry(QStringLiteral("0A0000"), 2)});
    journal.flush();
    const SyncOutcome o = journal.sync();
    EXPECT_TRUE(o.reachable);
    EXPECT_EQ(o.left, 1);
    EXPECT_FALSE(o.complete());
    ASSERT_TRUE(server->runSql(QStringLiteral("SELECT COUNT(*) FROM entries"), &out));
    EXPECT_EQ(out, QStringLiteral("2"));
    ASSERT_EQ(notices.all().size(), 1) << notices.all().join('\n').toStdString();
    EXPECT_TRUE(notices.all().front().contains(QStringLiteral("остается в журнале этого стенда")));
}

// What waited is sent at the next start, and so is what the bench journaled before the shared
// journal was set up: it is the stations' history too.
TEST_F(SharedJournalTest, EntriesLeftWaitingAreSentAtTheNextStart) {
    const QString local = dir.filePath(QStringLiteral("bench.sqlite"));
    const JournalPlace shared = parseJournalPlace(server->uri());
    {
        Journal benchOnly(parseJournalPlace(QStringLiteral("sqlite:") + local));
        for (int i = 3; i < 5; ++i)
            benchOnly.record(sampleEntry(QStringLiteral("0F0000"), i));
    }
    ASSERT_TRUE(server->stop());
    {
        Journal journal(shared, nullptr, local);
        for (int i = 0; i < 3; ++i)
            journal.record(sampleEntry(QStringLiteral("0F0000"), i));
    }
    ASSERT_TRUE(server->start());
    { Journal nextRun(shared, nullptr, local); }
    QString n;
    ASSERT_TRUE(server->runSql(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT id) FROM entries"), &n)) << n.toStdString();
    EXPECT_EQ(n, QStringLiteral("5|5"));
}

TEST(JournalTest, ACorruptOrUnwritableJournalIsSaidOnceAndRecordingGoesOn) {
    QTemporaryDir dir;
    const QString corrupt = dir.filePath(QStringLiteral("corrupt.sqlite"));
    QFile f(corrupt);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(8192, '\x5a'));
    f.close();
    Notices notices;
    {
        Journal journal(parseJournalPlace(QStringLiteral("sqlite:") + corrupt), notices.sink());
        for (int i = 0; i < 3; ++i)
            journal.record(sampleEntry(QStringLiteral("100000"), i));
        journal.flush();
    }
    ASSERT_EQ(notices.all().size(), 1) << notices.all().join('\n').toStdString();
    EXPECT_TRUE(notices.all().front().startsWith(QStringLiteral("Журнал станций %1").arg(corrupt)))
        << notices.all().front().toStdString();
    // Nothing is dropped: the entries wait beside it until the file is a journal again.
    EXPECT_TRUE(notices.all().front().contains(QStringLiteral("сохранены в %1").arg(spillPath(corrupt))))
        << notices.all().front().toStdString();
    QFile again(corrupt);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), QByteArray(8192, '\x5a')) << "a file that is not a journal is left as it was";

    // A journal that exists but may not be written, as an ordinary user sees it.
    const QString readOnly = dir.filePath(QStringLiteral("ro/j.sqlite"));
    { JournalStore made(parseJournalPlace(QStringLiteral("sqlite:") + readOnly)); }
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QFile::setPermissions(dir.filePath(QStringLiteral("ro")), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                                  QFileDevice::ReadOther | QFileDevice::ExeOther);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
    runUnprivileged([&] {
        Notices ro;
        {
            Journal journal(parseJournalPlace(QStringLiteral("sqlite:") + readOnly), ro.sink());
            journal.record(sampleEntry(QStringLiteral("100001"), 0));
            journal.record(sampleEntry(QStringLiteral("100001"), 1));
        }
        ASSERT_EQ(ro.all().size(), 1) << ro.all().join('\n').toStdString();
        EXPECT_TRUE(ro.all().front().contains(readOnly)) << ro.all().front().toStdString();
    });
}

// A bench journal another process holds in a transaction (a sqlite3 shell, a backup script):
// each command keeps its entries in the spill file instead of waiting, and the next one that
// gets the journal merges them in, every entry once.
TEST(JournalTest, ABusyJournalSpillsAndMergesEveryEntryOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("j.sqlite"));
    const JournalPlace place = parseJournalPlace(QStringLiteral("sqlite:") + path);
    { JournalStore made(place); }
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        holder.setDatabaseName(path);
        ASSERT_TRUE(holder.open());
        QSqlQuery(holder).exec(QStringLiteral("BEGIN IMMEDIATE"));
        Notices notices;
        QElapsedTimer t;
        t.start();
        for (int run = 0; run < 2; ++run) {
            Journal journal(place, notices.sink());
            journal.record(sampleEntry(QStringLiteral("120000"), run));
        }
        EXPECT_LT(t.elapsed(), 15000) << "no command waits out the holder";
        EXPECT_TRUE(QFileInfo(spillPath(path)).size() > 0);
        QSqlQuery(holder).exec(QStringLiteral("ROLLBACK"));
        holder.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    { Journal next(place); next.record(sampleEntry(QStringLiteral("120000"), 2)); }
    JournalStore store(place);
    EXPECT_EQ(store.list({QStringLiteral("120000")}).size(), 3u);
    EXPECT_EQ(QFileInfo(spillPath(path)).size(), 0);
}

TEST(JournalTest, OffKeepsNothingAndNeverWaits) {
    Journal journal(parseJournalPlace(QStringLiteral("off")));
    EXPECT_FALSE(journal.enabled());
    journal.record(sampleEntry(QStringLiteral("110000"), 0));
    journal.flush();
    EXPECT_EQ(journal.sync().left, 0);
}

} // namespace
