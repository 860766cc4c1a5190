// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/batch_ledger.h"

#include "journal/journal_store.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <atomic>

namespace tolvin {

namespace {

std::atomic<int> connections{0};

QVariant one(QSqlQuery &q) {
    return q.next() ? q.value(0) : QVariant();
}

// Runs a statement; a refusal is the ledger's failure.
QSqlQuery run(QSqlDatabase &db, const QString &sql, const QVariantList &values = {}) {
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        // SQLite's own words are English; the one a bench meets is another program holding the file.
        const QString why = q.lastError().nativeErrorCode() == QLatin1String("5") ||
                                    q.lastError().databaseText().contains(QLatin1String("locked"))
                                ? QStringLiteral("файл занят другой программой дольше 5 с, попробуйте еще раз")
                                : q.lastError().text();
        throw JournalError(QStringLiteral("Журнал серий %1: %2").arg(db.databaseName(), why));
    }
    return q;
}

} // namespace

template <typename Work>
auto BatchLedger::withDatabase(Work work) {
    const QString name = QStringLiteral("batch-ledger-%1").arg(++connections);
    struct Remove {
        QString name;
        ~Remove() { QSqlDatabase::removeDatabase(name); }
    } remove{name};
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(m_path);
    // Another port's claim holds the file for a moment; it is waited for, not failed on.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw JournalError(QStringLiteral("Журнал серий %1 не открывается: %2").arg(m_path, db.lastError().text()));
    struct Close {
        QSqlDatabase &db;
        ~Close() { db.close(); }
    } close{db};
    return work(db);
}

BatchLedger::BatchLedger(QString path) : m_path(std::move(path)) {
    withDatabase([](QSqlDatabase &db) {
        run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS batches (name TEXT PRIMARY KEY, plan TEXT NOT NULL, "
                               "places INTEGER NOT NULL)"));
        run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS batch_stations (name TEXT NOT NULL, serial TEXT NOT NULL, "
                               "station_id TEXT NOT NULL, done INTEGER NOT NULL, PRIMARY KEY (name, serial), "
                               "UNIQUE (name, station_id))"));
        return 0;
    });
}

void BatchLedger::begin(const QString &name, const QString &plan) {
    withDatabase([&](QSqlDatabase &db) {
        run(db, QStringLiteral("BEGIN IMMEDIATE"));
        try {
            QSqlQuery q = run(db, QStringLiteral("SELECT plan FROM batches WHERE name = ?"), {name});
            const QVariant begun = one(q);
            q.finish();
            if (begun.isNull())
                run(db, QStringLiteral("INSERT INTO batches (name, plan, places) VALUES (?, ?, 0)"), {name, plan});
            else if (begun.toString() != plan)
                throw JournalError(QStringLiteral("Серия «%1» начата с другим планом Id (%2): продолжить ее можно "
                                                  "только с ним, новую серию назовите иначе (--name)")
                                       .arg(name, begun.toString()));
            run(db, QStringLiteral("COMMIT"));
        } catch (...) {
            run(db, QStringLiteral("ROLLBACK"));
            throw;
        }
        return 0;
    });
}

BatchLedger::Claim BatchLedger::claim(const QString &name, const QString &serial,
                                      const std::function<std::optional<QString>(int, QString &)> &idAt) {
    return withDatabase([&](QSqlDatabase &db) {
        Claim c;
        run(db, QStringLiteral("BEGIN IMMEDIATE"));
        try {
            QSqlQuery had = run(db, QStringLiteral("SELECT station_id, done FROM batch_stations WHERE name = ? AND serial = ?"),
                                {name, serial});
            if (had.next()) {
                c.id = had.value(0).toString();
                c.done = had.value(1).toInt() != 0;
                had.finish();
                run(db, QStringLiteral("COMMIT"));
                return c;
            }
            had.finish();
            QSqlQuery q = run(db, QStringLiteral("SELECT places FROM batches WHERE name = ?"), {name});
            int place = one(q).toInt();
            q.finish();
            // A place whose Id some station already has (a list of serial numbers gives each its
            // own, whatever the order they come in) is passed over.
            // Four characters of sixteen make no more Ids than this.
            for (int tries = 0; tries <= 0xFFFF; ++tries) {
                const std::optional<QString> id = idAt(place, c.why);
                if (!id)
                    break;
                QSqlQuery taken = run(db, QStringLiteral("SELECT 1 FROM batch_stations WHERE name = ? AND station_id = ?"),
                                      {name, *id});
                const bool free = !taken.next();
                taken.finish();
                ++place;
                if (free) {
                    c.id = *id;
                    run(db, QStringLiteral("INSERT INTO batch_stations (name, serial, station_id, done) VALUES (?, ?, ?, 0)"),
                        {name, serial, c.id});
                    break;
                }
            }
            run(db, QStringLiteral("UPDATE batches SET places = MAX(places, ?) WHERE name = ?"), {c.id.isEmpty() ? 0 : place, name});
            run(db, QStringLiteral("COMMIT"));
        } catch (...) {
            run(db, QStringLiteral("ROLLBACK"));
            throw;
        }
        return c;
    });
}

void BatchLedger::finish(const QString &name, const QString &serial, bool ok) {
    withDatabase([&](QSqlDatabase &db) {
        run(db, QStringLiteral("UPDATE batch_stations SET done = ? WHERE name = ? AND serial = ?"), {ok ? 1 : 0, name, serial});
        return 0;
    });
}

int BatchLedger::placesTaken(const QString &name) {
    return withDatabase([&](QSqlDatabase &db) {
        QSqlQuery q = run(db, QStringLiteral("SELECT places FROM batches WHERE name = ?"), {name});
        return one(q).toInt();
    });
}

int BatchLedger::stationsDone(const QString &name) {
    return withDatabase([&](QSqlDatabase &db) {
        QSqlQuery q = run(db, QStringLiteral("SELECT COUNT(*) FROM batch_stations WHERE name = ? AND done = 1"), {name});
        return one(q).toInt();
    });
}

} // namespace tolvin
