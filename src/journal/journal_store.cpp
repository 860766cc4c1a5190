// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/journal_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <atomic>

namespace tolvin {

namespace {

std::atomic<int> connectionCount{0};

// Each step brings the schema from the version before it to its own. Both databases take the
// same text: BYTEA is a BLOB to SQLite, VARCHAR and BIGINT are what they say on both.
struct Migration {
    int version;
    QStringList statements;
};

const std::vector<Migration> &migrations() {
    static const std::vector<Migration> steps{
        {1,
         {QStringLiteral("CREATE TABLE configs (sha256 VARCHAR(64) PRIMARY KEY, body BYTEA NOT NULL)"),
          QStringLiteral("CREATE TABLE entries (id VARCHAR(36) PRIMARY KEY, time_ms BIGINT NOT NULL, "
                         "bench TEXT NOT NULL, login TEXT NOT NULL, version TEXT NOT NULL, device TEXT NOT NULL, "
                         "operation TEXT NOT NULL, serial TEXT NOT NULL, station_type TEXT NOT NULL, "
                         "result TEXT NOT NULL, message TEXT NOT NULL, duration_ms BIGINT NOT NULL, "
                         "config_sha256 VARCHAR(64) REFERENCES configs (sha256), differences TEXT NOT NULL)"),
          QStringLiteral("CREATE INDEX entries_by_serial ON entries (serial, time_ms)"),
          QStringLiteral("CREATE INDEX entries_by_time ON entries (time_ms)"),
          // What waits here to be sent to the shared journal.
          QStringLiteral("CREATE TABLE outbox (id VARCHAR(36) PRIMARY KEY)")}},
    };
    return steps;
}

const QString EntryColumns = QStringLiteral(
    "e.id, e.time_ms, e.bench, e.login, e.version, e.device, e.operation, e.serial, e.station_type, e.result, "
    "e.message, e.duration_ms, e.config_sha256, e.differences");

JournalEntry entryFrom(const QSqlQuery &q) {
    JournalEntry e;
    e.id = q.value(0).toString();
    e.time = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong(), Qt::UTC);
    e.bench = q.value(2).toString();
    e.user = q.value(3).toString();
    e.version = q.value(4).toString();
    e.device = q.value(5).toString();
    e.operation = q.value(6).toString();
    e.serial = q.value(7).toString();
    e.stationType = q.value(8).toString();
    e.result = q.value(9).toString();
    e.message = q.value(10).toString();
    e.durationMs = q.value(11).toLongLong();
    e.configSha256 = q.value(12).toString();
    const QString differences = q.value(13).toString();
    if (!differences.isEmpty())
        e.differences = differences.split(QLatin1Char('\n'));
    return e;
}

QString placeName(const JournalPlace &p) {
    return p.kind == JournalPlace::Kind::Postgres ? QStringLiteral("Общий журнал станций %1").arg(p.uri)
                                                  : QStringLiteral("Журнал станций %1").arg(QDir::toNativeSeparators(p.path));
}

} // namespace

JournalStore::JournalStore(const JournalPlace &place)
    : m_connection(QStringLiteral("tolvin-journal-%1").arg(++connectionCount)), m_place(place) {
    const bool pg = shared();
    const QString driver = pg ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (place.kind == JournalPlace::Kind::Off)
        throw JournalError(QStringLiteral("Журнал станций отключен (TOLVIN_JOURNAL=off)"));
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw JournalError(pg ? QStringLiteral("%1 недоступен: не установлен драйвер PostgreSQL для Qt (пакет libqt6sql6-psql)")
                                    .arg(placeName(place))
                              : QStringLiteral("%1 недоступен: не установлен драйвер SQLite для Qt (пакет libqt6sql6-sqlite)")
                                    .arg(placeName(place)),
                           pg);
    QSqlDatabase::addDatabase(driver, m_connection);
    // A store that does not open leaves no connection behind: a bench retrying a server that
    // refuses it would otherwise hold one more on the server at every attempt.
    try {
        open();
        migrate();
    } catch (...) {
        closeConnection();
        throw;
    }
}

void JournalStore::closeConnection() {
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void JournalStore::open() {
    const JournalPlace &place = m_place;
    const bool pg = shared();
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (pg) {
        const PostgresAddress a = postgresAddress(place.uri);
        if (!a.error.isEmpty())
            throw JournalError(a.error);
        db.setHostName(a.host);
        if (a.port > 0)
            db.setPort(a.port);
        db.setDatabaseName(a.database);
        db.setUserName(a.user);
        db.setConnectOptions(a.options);
    } else {
        const QFileInfo file(place.path);
        if (!QDir().mkpath(file.absolutePath()))
            throw JournalError(QStringLiteral("%1 недоступен: не удалось создать папку %2")
                                   .arg(placeName(place), QDir::toNativeSeparators(file.absolutePath())));
        db.setDatabaseName(place.path);
        // Another process writing (a fleet, a second window) is waited for, not failed.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    }
    if (!db.open())
        throw JournalError(QStringLiteral("%1 недоступен: %2").arg(placeName(place), reason(db.lastError())), pg);
    if (!pg) {
        // WAL lets readers and one writer work at once; it is kept in the file once set.
        QSqlQuery q(db);
        // The write-ahead file shrinks back after each checkpoint instead of keeping its largest size.
        q.exec(QStringLiteral("PRAGMA journal_size_limit=16777216"));
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
            throw JournalError(QStringLiteral("%1 не открывается: %2")
                                   .arg(placeName(place), reason(q.lastError())));
        // As PostgreSQL does: an entry never names a configuration that is not there.
        q.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    }
}

JournalStore::~JournalStore() {
    closeConnection();
}

void JournalStore::exec(const QString &sql) {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(sql))
        throw JournalError(QStringLiteral("%1: %2").arg(placeName(m_place), reason(q.lastError())));
}

void JournalStore::migrate() {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // A journal already at this version needs no statement that changes the schema: a role that
    // may only read and add entries (no CREATE on the schema) opens it all the same.
    {
        QSqlQuery probe(db);
        if (probe.exec(QStringLiteral("SELECT MAX(version) FROM journal_schema")) && probe.next() &&
            !probe.value(0).isNull() && probe.value(0).toInt() >= migrations().back().version)
            return;
    }
    // Two programs opening a fresh database at once both try to create it; the one that loses
    // finds it made and tries again.
    QString failure;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!db.transaction()) {
            failure = reason(db.lastError());
            QThread::msleep(50 * (attempt + 1));
            continue;
        }
        try {
            exec(QStringLiteral("CREATE TABLE IF NOT EXISTS journal_schema (version INTEGER NOT NULL)"));
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("SELECT MAX(version) FROM journal_schema")) || !q.next())
                throw JournalError(q.lastError().text());
            const int current = q.value(0).isNull() ? 0 : q.value(0).toInt();
            q.finish();
            for (const Migration &m : migrations()) {
                if (m.version <= current)
                    continue;
                for (const QString &s : m.statements)
                    exec(s);
                exec(QStringLiteral("INSERT INTO journal_schema (version) VALUES (%1)").arg(m.version));
            }
            if (db.commit())
                return;
            failure = reason(db.lastError());
        } catch (const JournalError &e) {
            failure = e.message();
        }
        db.rollback();
        QThread::msleep(50 * (attempt + 1));
    }
    // A file that is no database, or one that cannot be written even to create the tables.
    throw JournalError(QStringLiteral("%1 не открывается: %2").arg(placeName(m_place), failure.trimmed()));
}

int JournalStore::schemaVersion() {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT MAX(version) FROM journal_schema")) || !q.next())
        throw JournalError(QStringLiteral("%1: %2").arg(placeName(m_place), reason(q.lastError())));
    return q.value(0).toInt();
}

QString JournalStore::reason(const QSqlError &error) const {
    const QString text = error.text().trimmed();
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xff;
    if (shared() || !numeric)
        return text;
    // SQLite's own words name the cause in English; the technician reads what to do about it.
    QString cause;
    switch (code) {
    case 5: cause = QStringLiteral("журнал занят другой программой"); break;         // SQLITE_BUSY
    case 8: cause = QStringLiteral("нет права записи"); break;                       // SQLITE_READONLY
    case 10: cause = QStringLiteral("ошибка ввода-вывода: диск переполнен или недоступен"); break; // SQLITE_IOERR
    case 11:                                                                           // SQLITE_CORRUPT
    case 26: cause = QStringLiteral("файл поврежден или не является журналом"); break; // SQLITE_NOTADB
    case 13: cause = QStringLiteral("нет места на диске"); break;                     // SQLITE_FULL
    case 14: cause = QStringLiteral("файл не открывается"); break;                    // SQLITE_CANTOPEN
    default: return text;
    }
    return QStringLiteral("%1 (%2)").arg(cause, text);
}

bool JournalStore::answers() {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    return q.exec(QStringLiteral("SELECT 1")) && q.next();
}

void JournalStore::add(const JournalEntry &e, bool waiting) {
    add(std::vector<JournalEntry>{e}, waiting);
}

void JournalStore::add(const std::vector<JournalEntry> &entries, bool waiting) {
    if (entries.empty())
        return;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const auto fail = [&](const QSqlError &error) {
        const QString text = reason(error);
        db.rollback();
        throw JournalError(QStringLiteral("%1: запись не сохранена: %2").arg(placeName(m_place), text),
                           shared() && !db.isOpen());
    };
    if (!db.transaction())
        fail(db.lastError());
    QSqlQuery config(db), entry(db), outbox(db);
    if (!config.prepare(QStringLiteral("INSERT INTO configs (sha256, body) VALUES (?, ?) ON CONFLICT (sha256) DO NOTHING")))
        fail(config.lastError());
    if (!entry.prepare(QStringLiteral(
            "INSERT INTO entries (id, time_ms, bench, login, version, device, operation, serial, station_type, result, "
            "message, duration_ms, config_sha256, differences) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
            "ON CONFLICT (id) DO NOTHING")))
        fail(entry.lastError());
    if (waiting && !outbox.prepare(QStringLiteral("INSERT INTO outbox (id) VALUES (?) ON CONFLICT (id) DO NOTHING")))
        fail(outbox.lastError());
    for (const JournalEntry &e : entries) {
        if (e.hasConfig() && !e.config.isEmpty()) {
            config.addBindValue(e.configSha256);
            config.addBindValue(e.config);
            if (!config.exec())
                fail(config.lastError());
        }
        // Every text column is NOT NULL: an unknown serial number is an empty one.
        const auto text = [](const QString &t) { return t.isNull() ? QStringLiteral("") : t; };
        const QVariantList values{text(e.id),          e.time.toMSecsSinceEpoch(),
                                  text(e.bench),       text(e.user),
                                  text(e.version),     text(e.device),
                                  text(e.operation),   text(e.serial),
                                  text(e.stationType), text(e.result),
                                  text(e.message),     e.durationMs,
                                  e.hasConfig() ? QVariant(e.configSha256) : QVariant(QMetaType(QMetaType::QString)),
                                  text(e.differences.join(QLatin1Char('\n')))};
        for (const QVariant &v : values)
            entry.addBindValue(v);
        if (!entry.exec())
            fail(entry.lastError());
        if (waiting) {
            outbox.addBindValue(e.id);
            if (!outbox.exec())
                fail(outbox.lastError());
        }
    }
    if (!db.commit())
        fail(db.lastError());
}

std::vector<JournalEntry> JournalStore::list(const JournalQuery &query) {
    QStringList where;
    QVariantList values;
    if (!query.serial.isEmpty()) {
        where << QStringLiteral("e.serial = ?");
        values << query.serial;
    }
    if (query.sinceTime.isValid()) {
        where << QStringLiteral("e.time_ms >= ?");
        values << query.sinceTime.toMSecsSinceEpoch();
    } else if (query.since.isValid()) {
        where << QStringLiteral("e.time_ms >= ?");
        values << QDateTime(query.since, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    }
    QString sql = QStringLiteral("SELECT %1 FROM entries e").arg(EntryColumns);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY e.time_ms DESC, e.id DESC");
    if (query.limit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(query.limit);
    if (query.limit > 0 && query.offset > 0)
        sql += QStringLiteral(" OFFSET %1").arg(query.offset);
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw JournalError(QStringLiteral("%1 не читается: %2").arg(placeName(m_place), reason(q.lastError())));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw JournalError(QStringLiteral("%1 не читается: %2").arg(placeName(m_place), reason(q.lastError())),
                           shared());
    std::vector<JournalEntry> entries;
    while (q.next())
        entries.push_back(entryFrom(q));
    return entries;
}

std::optional<JournalEntry> JournalStore::entry(const QString &id) {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1, c.body FROM entries e LEFT JOIN configs c ON c.sha256 = e.config_sha256 "
                             "WHERE e.id = ?")
                  .arg(EntryColumns));
    q.addBindValue(id);
    if (!q.exec())
        throw JournalError(QStringLiteral("%1 не читается: %2").arg(placeName(m_place), reason(q.lastError())),
                           shared());
    if (!q.next())
        return std::nullopt;
    JournalEntry e = entryFrom(q);
    e.config = q.value(14).toByteArray();
    return e;
}

std::vector<JournalEntry> JournalStore::waiting(int limit) {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1, c.body FROM outbox o JOIN entries e ON e.id = o.id "
                               "LEFT JOIN configs c ON c.sha256 = e.config_sha256 ORDER BY e.time_ms, e.id LIMIT %2")
                    .arg(EntryColumns)
                    .arg(limit)))
        throw JournalError(QStringLiteral("%1 не читается: %2").arg(placeName(m_place), reason(q.lastError())));
    std::vector<JournalEntry> entries;
    while (q.next()) {
        entries.push_back(entryFrom(q));
        entries.back().config = q.value(14).toByteArray();
    }
    return entries;
}

int JournalStore::waitingCount() {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM outbox")) || !q.next())
        throw JournalError(QStringLiteral("%1 не читается: %2").arg(placeName(m_place), reason(q.lastError())));
    return q.value(0).toInt();
}

void JournalStore::markSent(const QStringList &ids) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM outbox WHERE id = ?"));
    for (const QString &id : ids) {
        q.addBindValue(id);
        if (!q.exec()) {
            const QString text = reason(q.lastError());
            db.rollback();
            throw JournalError(QStringLiteral("%1: %2").arg(placeName(m_place), text));
        }
    }
    if (!db.commit())
        throw JournalError(QStringLiteral("%1: %2").arg(placeName(m_place), reason(db.lastError())));
}

qint64 JournalStore::sizeOnDisk() {
    if (shared()) {
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        if (q.exec(QStringLiteral("SELECT pg_database_size(current_database())")) && q.next())
            return q.value(0).toLongLong();
        return -1;
    }
    return QFileInfo(m_place.path).size() + QFileInfo(m_place.path + QStringLiteral("-wal")).size();
}

} // namespace tolvin
