// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal as the front ends use it. Keeping an entry is apart from sending it: record()
// hands entries to the journal's own thread, which keeps them in this bench's SQLite journal (or,
// when another process holds that file beyond a second, in a spill file beside it, merged in
// later). With a shared journal a sender of its own drains what waits here to the server over
// its own connection, which every time-out bounds; a server that is away, locked or stalled
// holds up nobody. Sending is idempotent by id. A journal that cannot be written at all is said
// once and never stops the work.
#include "journal/journal_entry.h"
#include "journal/journal_place.h"

#include <QString>
#include <QStringList>
#include <chrono>
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

// How long the end of a command (or closing the window) waits for its entries to reach a shared
// journal before it says they wait on the bench.
constexpr std::chrono::milliseconds DeliveryWait{2000};

class Journal {
public:
    // Told what the technician should know of the journal itself (it cannot be written, the
    // shared one is away); each is told once. Called on the journal's threads.
    using Notice = std::function<void(const QString &)>;

    // `localPath`: where entries for a shared journal wait (empty: localJournalPath()).
    explicit Journal(JournalPlace place, Notice notice = nullptr, QString localPath = QString());
    // flush(), then the sender is cut off wherever it is.
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
    // Waits until everything recorded so far is kept on this bench (a second at most for a busy
    // file, then the spill file), and with a shared journal until it has been sent or `delivery`
    // has passed; what is still unsent then is said once to wait on the bench.
    void flush(std::chrono::milliseconds delivery = DeliveryWait);
    // Sends what waits here to the shared journal now, and waits for the outcome (bounded by the
    // connection's time-outs).
    SyncOutcome sync();

private:
    void runKeeper(std::stop_token stop);
    void runSender(std::stop_token stop);
    void keep(std::vector<JournalEntry> &batch);
    QStringList sendBatch(JournalStore &shared, const std::vector<JournalEntry> &batch);
    SyncOutcome sendWaiting();
    JournalStore *keeperStore(QString &why);
    JournalStore *senderLocal();
    JournalStore *sharedStore();
    void dropShared();
    void cutOffSender();
    bool shared() const { return m_place.kind == JournalPlace::Kind::Postgres; }
    void tell(const QString &key, const QString &text);

    JournalPlace m_place;
    QString m_localPath;
    Notice m_notice;

    std::mutex m_mutex;
    std::condition_variable_any m_wake;      // the keeper: entries, or a stop
    std::condition_variable_any m_sendWake;  // the sender: something kept, a sync, or a stop
    std::condition_variable m_done;
    std::deque<JournalEntry> m_queue;
    std::vector<JournalEntry> m_direct;      // nothing could keep them here: straight to the server
    quint64 m_recorded = 0, m_kept = 0;
    quint64 m_sendAsked = 0, m_sendDone = 0;
    QString m_unmade;   // why entries could not be built, to be said on the keeper's thread
    bool m_failed = false; // a thread of the journal ended with a failure: nobody waits for it
    SyncOutcome m_lastSync;
    QStringList m_told;
    std::mutex m_toldMutex;

    // The sender's connection to the server, cut from another thread at the end.
    std::mutex m_socketMutex;
    int m_senderSocket = -1;

    // Each thread's own connections.
    std::unique_ptr<JournalStore> m_keeperLocal;   // keeper
    std::unique_ptr<JournalStore> m_senderLocal;   // sender
    std::unique_ptr<JournalStore> m_shared;        // sender
    qint64 m_sharedRetryAtMs = 0;                  // sender

    std::jthread m_keeper;
    std::jthread m_sender;
};

} // namespace tolvin
