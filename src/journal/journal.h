// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal as the front ends use it: entries handed over with record() are written on the
// journal's own thread, so no exchange ever waits for a database. With a shared journal that
// cannot be reached, entries wait in this bench's SQLite journal and are sent when it answers
// again (at the next start, after the next entry, or by sync()); sending is idempotent by id.
// A journal that cannot be written at all is said once and never stops the work.
#include "journal/journal_entry.h"
#include "journal/journal_place.h"

#include <QString>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tolvin {

class JournalStore;

struct SyncOutcome {
    int sent = 0;
    int left = 0;                 // still waiting here
    bool reachable = true;        // the shared journal answered (why not is told as a notice)
    bool localUnreadable = false; // what waits here could not be read
    QString message;              // for localUnreadable
    bool complete() const { return left == 0 && !localUnreadable; }
};

class Journal {
public:
    // Told what the technician should know of the journal itself (it cannot be written, the
    // shared one is away); each is told once. Called on the journal's thread.
    using Notice = std::function<void(const QString &)>;

    // `localPath`: where entries for a shared journal wait (empty: localJournalPath()).
    explicit Journal(JournalPlace place, Notice notice = nullptr, QString localPath = QString());
    // Stores what was recorded before ending.
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    const JournalPlace &place() const { return m_place; }
    bool enabled() const { return m_place.kind != JournalPlace::Kind::Off; }

    // Returns at once; safe from any thread.
    void record(JournalEntry e);
    void record(std::vector<JournalEntry> entries);
    // The entries `make` builds; a failure to build them (out of memory, a configuration that
    // cannot be put into a file) is said once and never reaches the caller: the exchange they
    // describe has happened all the same.
    void recordMade(const std::function<std::vector<JournalEntry>()> &make) noexcept;
    // Waits until everything recorded so far is stored, here or in the shared journal.
    void flush();
    // Sends what waits here to the shared journal now, and waits for the outcome.
    SyncOutcome sync();

private:
    void run(std::stop_token stop);
    void store(std::vector<JournalEntry> &batch);
    bool addLocally(JournalStore &local, const std::vector<JournalEntry> &batch, bool waiting);
    QStringList sendBatch(JournalStore &shared, const std::vector<JournalEntry> &batch);
    void dropShared();
    SyncOutcome sendWaiting(bool retryNow);
    JournalStore *localStore();
    JournalStore *sharedStore(bool retryNow);
    void tell(const QString &key, const QString &text);

    JournalPlace m_place;
    QString m_localPath;
    Notice m_notice;

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::condition_variable m_done;
    std::deque<JournalEntry> m_queue;
    quint64 m_recorded = 0, m_stored = 0;
    quint64 m_syncAsked = 0, m_syncDone = 0;
    QString m_unmade;   // why entries could not be built, to be said on the journal's thread
    SyncOutcome m_lastSync;

    // Only the journal's thread touches these.
    std::unique_ptr<JournalStore> m_local, m_shared;
    bool m_localBroken = false;
    qint64 m_sharedRetryAtMs = 0;
    QStringList m_told;

    std::jthread m_thread;
};

} // namespace tolvin
