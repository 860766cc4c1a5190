// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two databases the journal runs on, for tests that must hold on both: a SQLite file in a
// folder of the test's own, and a PostgreSQL server the test starts (skipped, with the reason,
// where Debian's postgresql package is not installed).
#include "journal/journal_entry.h"
#include "journal/journal_place.h"
#include "support/postgres_server.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace tolvin::test {

enum class PostgresUse {
    Database,  // a fresh database is enough: the run's shared server serves it
    Server,    // the test stops, starts or freezes the server, or adds roles to it
};

// Starts a server, or makes a database, for a fixture's SetUp; skips the test, with the reason,
// without the package.
inline void startPostgres(std::unique_ptr<PostgresServer> &server, PostgresUse use = PostgresUse::Server) {
    if (!PostgresServer::available())
        GTEST_SKIP() << "PostgreSQL is not installed (Debian package postgresql)";
    server = use == PostgresUse::Database ? PostgresServer::sharedDatabase() : std::make_unique<PostgresServer>();
    ASSERT_TRUE(server->ok()) << server->error().toStdString();
}

// A test of the shared journal alone, with a folder of its own for the bench's side.
class SharedJournalTest : public ::testing::Test {
protected:
    void SetUp() override { startPostgres(server); }
    QTemporaryDir dir;
    std::unique_ptr<PostgresServer> server;
};

enum class Backend { Sqlite, Postgres };

inline std::string backendName(const ::testing::TestParamInfo<Backend> &info) {
    return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

class JournalBackendTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Postgres)
            startPostgres(server, PostgresUse::Database);
    }
    JournalPlace place() const {
        return GetParam() == Backend::Postgres ? parseJournalPlace(server->uri())
                                               : parseJournalPlace(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("j.sqlite")));
    }
    // Counted by the test's own query, not by the code under test.
    qint64 count(const QString &sql) {
        if (GetParam() == Backend::Postgres) {
            QString out;
            EXPECT_TRUE(server->runSql(sql, &out)) << out.toStdString();
            return out.trimmed().toLongLong();
        }
        qint64 n = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("count"));
            db.setDatabaseName(dir.filePath(QStringLiteral("j.sqlite")));
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                n = q.value(0).toLongLong();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("count"));
        return n;
    }

    QTemporaryDir dir;
    std::unique_ptr<PostgresServer> server;
};

// An entry of a station, `seconds` after a fixed moment, with a configuration of one of a few.
inline JournalEntry sampleEntry(const QString &serial, int seconds, int config = 0) {
    JournalEntry e = newJournalEntry(JournalOp::Write);
    e.time = QDateTime(QDate(2026, 11, 1), QTime(8, 0), Qt::UTC).addSecs(seconds);
    e.device = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    e.serial = serial;
    e.stationType = QStringLiteral("Толвин 7К-62");
    e.message = QStringLiteral("Записано в станцию: 241 байт");
    e.durationMs = 4321;
    if (config >= 0)
        setJournalConfig(e, QByteArray("[Общие установки]\r\nconfiguration=") + QByteArray::number(config) + "\r\n");
    return e;
}

} // namespace tolvin::test
