// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/journal_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <dlfcn.h>

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

// SQLSTATE codes after which the server is to be tried again later rather than the entry
// refused: it was busy or cut the statement short.
bool transientState(const QString &state) {
    return state == QLatin1String("57014") || state == QLatin1String("55P03") || state == QLatin1String("40P01") ||
           state == QLatin1String("40001") || state == QLatin1String("53300") || state == QLatin1String("57P01") ||
           state.startsWith(QLatin1String("08"));
}

// The server's failure in the technician's words; empty where the driver's text is all there is.
QString serverCause(const QSqlError &error) {
    const QString state = error.nativeErrorCode();
    const QString text = error.text();
    if (state == QLatin1String("57014"))
        return QStringLiteral("сервер не выполнил запрос за отведенное время");
    if (state == QLatin1String("55P03"))
        return QStringLiteral("таблицы журнала заняты другой программой");
    if (state == QLatin1String("28P01") || state == QLatin1String("28000"))
        return QStringLiteral("сервер не принял имя пользователя или пароль");
    if (state == QLatin1String("3D000"))
        return QStringLiteral("на сервере нет такой базы данных");
    if (state == QLatin1String("42501"))
        return QStringLiteral("нет прав на таблицы журнала");
    if (state == QLatin1String("53300"))
        return QStringLiteral("у сервера нет свободных подключений");
    if (text.contains(QLatin1String("timeout expired")) || text.contains(QLatin1String("timed out")))
        return QStringLiteral("сервер не ответил вовремя");
    if (text.contains(QLatin1String("Connection refused")))
        return QStringLiteral("сервер отклонил подключение");
    if (text.contains(QLatin1String("could not translate host name")) || text.contains(QLatin1String("Name or service")))
        return QStringLiteral("имя сервера не найдено");
    if (text.contains(QLatin1String("No such file or directory")))
        return QStringLiteral("сервер не запущен");
    if (text.contains(QLatin1String("server closed the connection")) || text.contains(QLatin1String("connection to server")) ||
        text.contains(QLatin1String("no connection to the server")) || text.contains(QLatin1String("Connection reset")) ||
        text.contains(QLatin1String("Broken pipe")) || text.contains(QLatin1String("could not connect")) ||
        text.contains(QLatin1String("could not receive")) || text.contains(QLatin1String("could not send")))
        return QStringLiteral("связь с сервером прервана");
    if (state.startsWith(QLatin1String("08")))
        return QStringLiteral("связь с сервером прервана");
    return QString();
}

// Qt SQL's own warnings ("QPSQLDriver::rollbackTransaction: Database not open") are English
// noise on a technician's terminal; what matters reaches them as the journal's notices.
QtMessageHandler previousHandler = nullptr;
void quietSql(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    const bool sql = (context.category && qstrncmp(context.category, "qt.sql", 6) == 0) ||
                     text.startsWith(QLatin1String("QPSQL")) || text.startsWith(QLatin1String("QSQLITE")) ||
                     text.startsWith(QLatin1String("QSqlDatabase")) || text.startsWith(QLatin1String("QSqlQuery")) ||
                     text.startsWith(QLatin1String("Unable to free statement"));
    if (sql && type != QtFatalMsg)
        return;
    if (previousHandler)
        previousHandler(type, context, text);
    else
        qt_message_output(type, context, text);
}
void keepSqlWarningsQuiet() {
    static const bool installed = [] {
        previousHandler = qInstallMessageHandler(quietSql);
        return true;
    }();
    (void)installed;
}
} // namespace

JournalStore::JournalStore(const JournalPlace &place)
    : m_connection(QStringLiteral("tolvin-journal-%1").arg(++connectionCount)), m_place(place) {
    keepSqlWarningsQuiet();
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
        const int version = schemaVersion();
        if (version > JournalSchemaVersion)
            m_newer = QStringLiteral("%1 создан более новой версией программы (схема %2, эта программа знает %3): "
                                     "записи читаются, но не добавляются")
                          .arg(placeName(place))
                          .arg(version)
                          .arg(JournalSchemaVersion);
        // Which shared journals have been given this bench's history; the bench's own table.
        if (!pg)
            exec(QStringLiteral("CREATE TABLE IF NOT EXISTS history_queued (place TEXT PRIMARY KEY)"));
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
        // A server that stops answering once connected (a network cut, a NAT time-out, a
        // suspended server) is found out by the kernel within seconds instead of never.
        QStringList options{a.options};
        for (const QString &o : {QStringLiteral("keepalives=1"), QStringLiteral("keepalives_idle=5"),
                                 QStringLiteral("keepalives_interval=2"), QStringLiteral("keepalives_count=2"),
                                 QStringLiteral("tcp_user_timeout=5000")})
            if (!a.options.contains(o.section(QLatin1Char('='), 0, 0) + QLatin1Char('=')))
                options << o;
        options.removeAll(QString());
        db.setConnectOptions(options.join(QLatin1Char(';')));
    } else {
        const QFileInfo file(place.path);
        // Only the bench's own folder is made; a folder named in a setting that is not there is
        // a typing error, and a journal made there would never be found again.
        if (!file.absoluteDir().exists()) {
            if (QFileInfo(file.absoluteFilePath()) != QFileInfo(localJournalPath()))
                throw JournalError(QStringLiteral("%1 недоступен: папки %2 нет")
                                       .arg(placeName(place), QDir::toNativeSeparators(file.absolutePath())));
            if (!QDir().mkpath(file.absolutePath()))
                throw JournalError(QStringLiteral("%1 недоступен: не удалось создать папку %2")
                                       .arg(placeName(place), QDir::toNativeSeparators(file.absolutePath())));
        }
        db.setDatabaseName(place.path);
        // Another process writing (a fleet, a second window) is waited for, but briefly: an
        // entry that cannot wait goes to the spill file beside the journal instead.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(LocalBusyWaitMs));
    }
    if (!db.open())
        throw JournalError(QStringLiteral("%1 недоступен: %2").arg(placeName(place), reason(db.lastError())), pg);
    if (pg) {
        // A locked table (a long transaction, a migration, a dump) or a statement the server
        // sits on ends in seconds with an error, instead of holding the sender.
        QSqlQuery q(db);
        for (const QString &set : {QStringLiteral("SET statement_timeout = 5000"), QStringLiteral("SET lock_timeout = 3000")})
            if (!q.exec(set))
                throw JournalError(QStringLiteral("%1 недоступен: %2").arg(placeName(place), reason(q.lastError())), true);
    }
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
    if (shared()) {
        const QString cause = serverCause(error);
        return cause.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(cause, text);
    }
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xff;
    if (!numeric)
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
    if (!m_newer.isEmpty())
        throw JournalError(m_newer);
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const auto fail = [&](const QSqlError &error) {
        const QString text = reason(error);
        const bool transient = shared() && (!db.isOpen() || transientState(error.nativeErrorCode()));
        db.rollback();
        throw JournalError(QStringLiteral("%1: запись не сохранена: %2").arg(placeName(m_place), text), transient);
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

// What LIKE looks for to find `text` in a text made small by LOWER(): anywhere in it, or at its
// start. Without ICU, SQLite's LOWER() and LIKE fold only Latin letters, and PostgreSQL's LIKE
// folds none, so both compare against LOWER() with the pattern's Latin letters made small: a
// serial number or a device is found in any case on both. Cyrillic cannot be folded the same way
// by one statement on both, so it is looked for as typed, in small letters, in capitals and with
// a capital first letter: the forms a word takes in a message. (PostgreSQL, whose LOWER() folds
// Cyrillic as well, finds any case.) '!' escapes the technician's own %, _ and !.
namespace {
enum class Where { Anywhere, AtStart };
QStringList likePatterns(const QString &text, Where where) {
    const QStringList forms{text, text.toLower(), text.toUpper(), text.left(1).toUpper() + text.mid(1).toLower()};
    QStringList patterns;
    for (const QString &form : forms) {
        QString pattern = where == Where::Anywhere ? QStringLiteral("%") : QString();
        for (QChar c : form) {
            if (c.unicode() < 0x80)
                c = c.toLower();
            if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_'))
                pattern += QLatin1Char('!');
            pattern += c;
        }
        pattern += QLatin1Char('%');
        if (!patterns.contains(pattern))
            patterns << pattern;
    }
    return patterns;
}
} // namespace

std::vector<JournalEntry> JournalStore::list(const JournalQuery &query) {
    QStringList where;
    QVariantList values;
    if (!query.serial.isEmpty()) {
        where << QStringLiteral("e.serial = ?");
        values << query.serial;
    }
    if (!query.serialPrefix.isEmpty()) {
        QStringList any;
        for (const QString &pattern : likePatterns(query.serialPrefix, Where::AtStart)) {
            any << QStringLiteral("LOWER(e.serial) LIKE ? ESCAPE '!'");
            values << pattern;
        }
        where << QLatin1Char('(') + any.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }
    if (!query.text.isEmpty()) {
        // A line break between the texts: a search cannot match across two of them.
        const QString texts = QStringLiteral(
            "LOWER(e.serial || '\n' || e.device || '\n' || e.message || '\n' || e.station_type || '\n' || "
            "e.differences || '\n' || e.bench || '\n' || e.login) LIKE ? ESCAPE '!'");
        QStringList any;
        for (const QString &pattern : likePatterns(query.text, Where::Anywhere)) {
            any << texts;
            values << pattern;
        }
        where << QLatin1Char('(') + any.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }
    if (query.sinceTime.isValid()) {
        where << QStringLiteral("e.time_ms >= ?");
        values << query.sinceTime.toMSecsSinceEpoch();
    } else if (query.since.isValid()) {
        where << QStringLiteral("e.time_ms >= ?");
        values << QDateTime(query.since, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    }
    if (query.after) {
        // After it in the listing's order: older, or as old with a smaller id. The first term
        // lets both databases walk the time index from there.
        where << QStringLiteral("e.time_ms <= ? AND (e.time_ms < ? OR e.id < ?)");
        const qint64 ms = query.after->time.toMSecsSinceEpoch();
        values << ms << ms << query.after->id;
    }
    if (query.waitingOnly)
        where << QStringLiteral("e.id IN (SELECT id FROM outbox)");
    QString sql = QStringLiteral("SELECT %1 FROM entries e").arg(EntryColumns);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY e.time_ms DESC, e.id DESC");
    if (query.limit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(query.limit);
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

int JournalStore::markSent(const QStringList &ids) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM outbox WHERE id = ?"));
    int removed = 0;
    for (const QString &id : ids) {
        q.addBindValue(id);
        if (!q.exec()) {
            const QString text = reason(q.lastError());
            db.rollback();
            throw JournalError(QStringLiteral("%1: %2").arg(placeName(m_place), text));
        }
        removed += std::max(0, q.numRowsAffected());
    }
    if (!db.commit())
        throw JournalError(QStringLiteral("%1: %2").arg(placeName(m_place), reason(db.lastError())));
    return removed;
}

bool JournalStore::queueHistoryFor(const QString &place) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT 1 FROM history_queued WHERE place = ?"));
    q.addBindValue(place);
    if (!q.exec())
        throw JournalError(QStringLiteral("%1 не читается: %2").arg(placeName(m_place), reason(q.lastError())));
    if (q.next())
        return false;
    q.finish();
    if (!db.transaction())
        throw JournalError(QStringLiteral("%1: %2").arg(placeName(m_place), reason(db.lastError())));
    QSqlQuery queue(db), mark(db);
    mark.prepare(QStringLiteral("INSERT INTO history_queued (place) VALUES (?)"));
    mark.addBindValue(place);
    if (!queue.exec(QStringLiteral("INSERT INTO outbox (id) SELECT id FROM entries WHERE true ON CONFLICT (id) DO NOTHING")) ||
        !mark.exec() || !db.commit()) {
        const QString text = reason(queue.lastError().isValid() ? queue.lastError() : mark.lastError());
        db.rollback();
        throw JournalError(QStringLiteral("%1: %2").arg(placeName(m_place), text));
    }
    return true;
}

int JournalStore::socketDescriptor() {
    if (!shared())
        return -1;
    const QVariant handle = QSqlDatabase::database(m_connection, false).driver()->handle();
    // Qt names libpq's handle by its struct ("pg_conn*"), older versions by its typedef.
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return -1;
    void *conn = *static_cast<void *const *>(handle.constData());
    // The driver's own libpq, already loaded with it: no build-time tie to its headers.
    using SocketOf = int (*)(const void *);
    static const SocketOf socketOf = [] {
        void *lib = ::dlopen("libpq.so.5", RTLD_NOW | RTLD_NOLOAD);
        return lib ? reinterpret_cast<SocketOf>(::dlsym(lib, "PQsocket")) : nullptr;
    }();
    return conn && socketOf ? socketOf(conn) : -1;
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
