// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads the station journal for the journal window on a thread of its own: a server that does not
// answer, or answers slowly, never holds up the window. The thread keeps its connections from one
// reading to the next. A reading asked for later supersedes one not yet delivered. A shared
// journal that is away is read from this bench's own journal instead, where its entries wait to
// be sent, and those still waiting are named.
//
// Closing never waits on the database: the thread is told to stop and its shared connection is
// cut, so that a query stalled on a server returns at once; a thread that still does not end
// promptly (a connection attempt runs to its time-out) is left to end on its own, and the
// program's end waits for it, because Qt SQL deletes every driver then.
#include "journal/journal_entry.h"
#include "journal/journal_place.h"
#include "journal/journal_store.h"

#include <QObject>
#include <QSet>
#include <QTimer>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tolvin {

// What one reading found.
struct JournalPage {
    quint64 number = 0;   // of the reading
    bool next = false;    // a page after the one shown, to be added to it
    std::vector<JournalEntry> entries;
    bool more = false;    // there are entries past these
    QString error;        // nothing could be read, and why
    // The shared journal was away (why: `sharedAway`), and the entries are this bench's own.
    bool local = false;
    QString sharedAway;
    int waitingCount = 0;    // this bench's entries still to be sent
    QSet<QString> waiting;   // those among `entries`
};

// One entry with its configuration, or why not.
struct JournalFetched {
    quint64 number = 0;
    std::optional<JournalEntry> entry;  // none: there is no such entry
    QString error;
};

class JournalReader : public QObject {
    Q_OBJECT
public:
    // `localPath`: this bench's journal, where a shared journal's entries wait (empty:
    // localJournalPath()).
    JournalReader(JournalPlace place, QString localPath);
    // Ends the reader; it is deleted now, or when its thread has ended. The only way to end it.
    void release();

    // At most `query.limit` entries, and whether there are more. `retryShared`: try a shared
    // journal that was away just now, instead of this bench's journal. Returns the reading's number.
    quint64 read(JournalQuery query, bool next, bool retryShared);
    // From the shared journal, or from this bench's when `local`.
    quint64 fetch(const QString &id, bool local);

    // Reader threads not yet ended, those left to end on their own included.
    static int threadsRunning();

Q_SIGNALS:
    // Queued to the window; a reading superseded before it ended is never delivered.
    void pageRead(std::shared_ptr<const tolvin::JournalPage> page);
    void entryFetched(std::shared_ptr<const tolvin::JournalFetched> fetched);

private:
    ~JournalReader() override;
    struct Reading {
        quint64 number = 0;
        JournalQuery query;
        bool next = false, retryShared = false;
    };
    struct Fetch {
        quint64 number = 0;
        QString id;
        bool local = false;
    };
    class Stores;

    void run(std::stop_token stop);
    JournalPage readPage(Stores &stores, const Reading &r);
    JournalFetched fetchEntry(Stores &stores, const Fetch &f);
    // The shared journal's connection, opened when there is none unless it failed just now;
    // null when it is away (why: in `stores`).
    JournalStore *shared(Stores &stores, bool retryNow);
    // Runs `query` on the shared connection, watched; false, and the connection dropped, when
    // it fails.
    bool onShared(Stores &stores, const std::function<void(JournalStore &)> &query);
    // This bench's journal: the shared journal's entries wait there; otherwise the journal itself.
    JournalStore &local(Stores &stores);
    // Cuts the shared connection (a query on it fails at once); on any thread.
    void cut();
    void watch();

    const JournalPlace m_place;
    const QString m_localPath;
    QTimer m_watch;

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::condition_variable m_endedCv;
    std::optional<Reading> m_reading;
    std::optional<Fetch> m_fetch;
    quint64 m_asked = 0;        // the newest reading's number
    quint64 m_numbers = 0;
    int m_socket = -1;          // the shared connection's, while it is open
    qint64 m_querySinceMs = 0;  // a query on the shared journal runs since then; 0: none
    bool m_cut = false;         // the running query's connection was cut
    bool m_ended = false, m_abandoned = false;

    std::jthread m_thread;
};

} // namespace tolvin
