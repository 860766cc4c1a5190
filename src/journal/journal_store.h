// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal's tables over one database connection, SQLite or PostgreSQL through Qt SQL, with
// the same statements on both. A configuration is stored once however many entries name it (by
// its SHA-256); an entry is stored once however often it is sent (by its id). A connection
// belongs to the thread that opened the store.
#include "common/errors.h"
#include "journal/journal_entry.h"
#include "journal/journal_place.h"

#include <QDate>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QSqlError;

namespace tolvin {

// The journal could not be opened, read or written; the message says which and why.
class JournalError : public AppError {
public:
    // `unreachable`: the database did not answer (a server away, a network down), as opposed to
    // one that answered with a refusal.
    JournalError(const QString &message, bool unreachable = false) : AppError(message), m_unreachable(unreachable) {}
    bool unreachable() const noexcept { return m_unreachable; }

private:
    bool m_unreachable;
};

// Where a listing stopped: the next page begins after this entry. Found through the index however
// deep the page lies, where skipping an offset reads every entry before it.
struct JournalPosition {
    QDateTime time;
    QString id;
};

struct JournalQuery {
    QString serial;   // exact; empty: every station
    // The serial number begins with this, Latin letters in any case (as `text`); empty: any.
    QString serialPrefix{};
    // Found in the serial number, device, message, station type, differences, bench or login;
    // empty: anything. Latin letters in any case; see list() for Cyrillic.
    QString text{};
    QDate since{};    // entries from this UTC day on; null: all
    int limit = 0;    // newest first; 0: all
    std::optional<JournalPosition> after{}; // only the entries listed after this one (a page further on)
    QDateTime sinceTime{}; // valid: entries from this moment on, instead of `since`
    bool waitingOnly = false; // only entries still to be sent to the shared journal
};

// The schema this program writes; an older one is brought forward on opening, a newer one is
// read but not written.
constexpr int JournalSchemaVersion = 1;

// How long a write waits for a bench's SQLite journal that another process holds.
constexpr int LocalBusyWaitMs = 1000;

class JournalStore {
public:
    // Opens, creating the tables (and the file's folder) when needed and migrating an older
    // schema. Throws JournalError.
    explicit JournalStore(const JournalPlace &place);
    ~JournalStore();
    JournalStore(const JournalStore &) = delete;
    JournalStore &operator=(const JournalStore &) = delete;

    bool shared() const { return m_place.kind == JournalPlace::Kind::Postgres; }
    const JournalPlace &place() const { return m_place; }
    int schemaVersion();
    // The database still answers a query (after a statement failed: refused or gone away?).
    bool answers();

    // Stores the entry and its configuration unless an entry with its id is there already;
    // `waiting` marks it as still to be sent to the shared journal. Throws JournalError.
    void add(const JournalEntry &e, bool waiting = false);
    // Several in one transaction (sending, loading).
    void add(const std::vector<JournalEntry> &entries, bool waiting = false);

    // Newest first, without the configurations' bytes.
    std::vector<JournalEntry> list(const JournalQuery &q);
    // With its configuration's bytes.
    std::optional<JournalEntry> entry(const QString &id);

    // Entries still to be sent, oldest first, at most `limit`.
    std::vector<JournalEntry> waiting(int limit);
    int waitingCount();
    // How many of `ids` this call took off the waiting list (another sender may have been first).
    int markSent(const QStringList &ids);
    // Puts every entry of this bench on the waiting list for the shared journal `place`, once:
    // false when that was done before.
    bool queueHistoryFor(const QString &place);
    // A journal of a newer program: why it is not written; empty when it is.
    const QString &newerSchema() const { return m_newer; }
    // The server connection's socket (PostgreSQL), for cutting it off from another thread; -1
    // when there is none. On this store's thread only.
    int socketDescriptor();

    // The Qt SQL connection, for a tool that runs statements of its own on it (a benchmark's
    // bulk load); on this store's thread only.
    const QString &connectionName() const { return m_connection; }

    // The bytes the database takes on disk, where it can tell (SQLite: the file and its WAL).
    qint64 sizeOnDisk();

private:
    void open();
    void closeConnection();
    void exec(const QString &sql);
    void migrate();
    // The database's reason for a failure, in the technician's words where SQLite names it.
    QString reason(const QSqlError &error) const;
    QString m_connection;
    JournalPlace m_place;
    QString m_newer;
};

} // namespace tolvin
