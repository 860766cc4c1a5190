// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/journal.h"

#include "journal/journal_store.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QThread>

namespace tolvin {

namespace {
// A shared journal that did not answer is tried again after this long, or at once by a sync: an
// unreachable server costs its connection time-out, and the entries must not queue behind it.
constexpr qint64 SharedRetryMs = 30000;
// Entries sent to the shared journal per transaction.
constexpr int SendBatch = 500;

qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }
} // namespace

Journal::Journal(JournalPlace place, Notice notice, QString localPath)
    : m_place(std::move(place)), m_localPath(std::move(localPath)), m_notice(std::move(notice)) {
    // A bench journal is its own local one; `localPath` is where a shared journal's entries wait.
    if (m_place.kind == JournalPlace::Kind::Sqlite)
        m_localPath = m_place.path;
    else if (m_localPath.isEmpty())
        m_localPath = localJournalPath();
    if (!enabled())
        return;
    m_thread = std::jthread([this](std::stop_token stop) { run(stop); });
}

Journal::~Journal() {
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_wake.notify_all();
        m_thread.join();
    }
}

void Journal::record(JournalEntry e) {
    std::vector<JournalEntry> one;
    one.push_back(std::move(e));
    record(std::move(one));
}

void Journal::record(std::vector<JournalEntry> entries) {
    if (!enabled() || entries.empty())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_recorded += entries.size();
        for (JournalEntry &e : entries)
            m_queue.push_back(std::move(e));
    }
    m_wake.notify_all();
}

void Journal::flush() {
    if (!enabled())
        return;
    std::unique_lock lock(m_mutex);
    const quint64 target = m_recorded;
    m_done.wait(lock, [&] { return m_stored >= target; });
}

SyncOutcome Journal::sync() {
    if (!enabled())
        return {};
    std::unique_lock lock(m_mutex);
    const quint64 asked = ++m_syncAsked;
    m_wake.notify_all();
    m_done.wait(lock, [&] { return m_syncDone >= asked; });
    return m_lastSync;
}

void Journal::run(std::stop_token stop) {
    if (!m_place.error.isEmpty())
        tell(QStringLiteral("place"), m_place.error + QStringLiteral("; записи сохраняются в журнал этого стенда"));
    // What an earlier run could not send goes first, unless a sync is asked for already: that
    // one sends it, and an unreachable server costs its time-out once.
    bool syncAsked = false;
    {
        const std::lock_guard lock(m_mutex);
        syncAsked = m_syncAsked != m_syncDone;
    }
    if (!syncAsked && m_place.kind == JournalPlace::Kind::Postgres && QFileInfo::exists(m_localPath))
        sendWaiting(true);
    for (;;) {
        std::vector<JournalEntry> batch;
        quint64 syncAsked = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, stop, [&] { return !m_queue.empty() || m_syncAsked != m_syncDone; });
            if (m_queue.empty() && m_syncAsked == m_syncDone)
                break; // stopping, with nothing left
            while (!m_queue.empty() && batch.size() < size_t(SendBatch)) {
                batch.push_back(std::move(m_queue.front()));
                m_queue.pop_front();
            }
            syncAsked = m_syncAsked;
        }
        if (!batch.empty())
            store(batch);
        SyncOutcome synced;
        const bool syncing = batch.empty() && syncAsked != 0;
        if (syncing)
            synced = sendWaiting(true);
        {
            const std::lock_guard lock(m_mutex);
            m_stored += batch.size();
            if (syncing) {
                m_lastSync = synced;
                m_syncDone = syncAsked;
            }
        }
        m_done.notify_all();
    }
    // The connections belong to this thread and close on it.
    m_shared.reset();
    m_local.reset();
}

JournalStore *Journal::localStore() {
    if (m_local || m_localBroken)
        return m_local.get();
    try {
        JournalPlace local;
        local.path = m_localPath;
        m_local = std::make_unique<JournalStore>(local);
    } catch (const JournalError &e) {
        m_localBroken = true;
        tell(QStringLiteral("local"), e.message() + QStringLiteral(". Обмен со станциями идет без записи в журнал"));
    }
    return m_local.get();
}

JournalStore *Journal::sharedStore(bool retryNow) {
    if (m_shared)
        return m_shared.get();
    if (!retryNow && nowMs() < m_sharedRetryAtMs)
        return nullptr;
    try {
        m_shared = std::make_unique<JournalStore>(m_place);
    } catch (const JournalError &e) {
        m_sharedRetryAtMs = nowMs() + SharedRetryMs;
        tell(QStringLiteral("shared"),
             e.message() + QStringLiteral(". Записи сохраняются в журнал этого стенда %1 и будут отправлены позже")
                               .arg(QDir::toNativeSeparators(m_localPath)));
    }
    return m_shared.get();
}

void Journal::store(std::vector<JournalEntry> &batch) {
    if (m_place.kind == JournalPlace::Kind::Postgres) {
        if (JournalStore *shared = sharedStore(false)) {
            try {
                shared->add(batch);
                // A bench back on the network sends what waited as soon as it can.
                sendWaiting(false);
                return;
            } catch (const JournalError &e) {
                m_shared.reset();
                m_sharedRetryAtMs = nowMs() + SharedRetryMs;
                tell(QStringLiteral("shared"),
                     e.message() + QStringLiteral(". Записи сохраняются в журнал этого стенда %1 и будут отправлены позже")
                                       .arg(QDir::toNativeSeparators(m_localPath)));
            }
        }
    }
    const bool waiting = m_place.kind == JournalPlace::Kind::Postgres;
    JournalStore *local = localStore();
    if (!local)
        return;
    // Busy beyond the busy time-out (a burst of benches on one file) is worth another try.
    for (int attempt = 0;; ++attempt) {
        try {
            local->add(batch, waiting);
            return;
        } catch (const JournalError &e) {
            if (attempt < 3) {
                QThread::msleep(100 * (attempt + 1));
                continue;
            }
            tell(QStringLiteral("local-write"), e.message());
            return;
        }
    }
}

SyncOutcome Journal::sendWaiting(bool retryNow) {
    SyncOutcome o;
    if (m_place.kind != JournalPlace::Kind::Postgres)
        return o;
    if (!m_local && !QFileInfo::exists(m_localPath))
        return o; // nothing ever waited here
    JournalStore *local = localStore();
    if (!local) {
        o.message = QStringLiteral("Журнал этого стенда %1 не открывается").arg(QDir::toNativeSeparators(m_localPath));
        return o;
    }
    try {
        o.left = local->waitingCount();
        if (o.left == 0)
            return o;
        JournalStore *shared = sharedStore(retryNow);
        if (!shared) {
            o.reachable = false;
            o.message = QStringLiteral("Общий журнал станций %1 недоступен").arg(m_place.uri);
            return o;
        }
        for (;;) {
            const std::vector<JournalEntry> batch = local->waiting(SendBatch);
            if (batch.empty())
                break;
            shared->add(batch);
            QStringList ids;
            for (const JournalEntry &e : batch)
                ids << e.id;
            local->markSent(ids);
            o.sent += int(batch.size());
        }
        o.left = local->waitingCount();
    } catch (const JournalError &e) {
        m_shared.reset();
        m_sharedRetryAtMs = nowMs() + SharedRetryMs;
        o.reachable = false;
        o.message = e.message();
        try {
            o.left = local->waitingCount();
        } catch (const JournalError &) {
        }
    }
    return o;
}

void Journal::tell(const QString &key, const QString &text) {
    if (m_told.contains(key))
        return;
    m_told << key;
    if (m_notice)
        m_notice(text);
}

} // namespace tolvin
