// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/journal.h"

#include "journal/journal_store.h"

#include "common/errors.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <utility>

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

void Journal::recordMade(const std::function<std::vector<JournalEntry>()> &make) noexcept {
    if (!enabled())
        return;
    if (const std::optional<Failure> f = catchFailure([&] { record(make()); })) {
        const std::lock_guard lock(m_mutex);
        m_unmade = QStringLiteral("Запись журнала станций не составлена: ") + f->message;
        m_wake.notify_all();
    }
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
    bool syncFirst = false;
    {
        const std::lock_guard lock(m_mutex);
        syncFirst = m_syncAsked != m_syncDone;
    }
    if (!syncFirst && m_place.kind == JournalPlace::Kind::Postgres && QFileInfo::exists(m_localPath))
        sendWaiting(true);
    for (;;) {
        std::vector<JournalEntry> batch;
        quint64 syncAsked = 0;
        bool syncPending = false;
        QString unmade;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, stop, [&] { return !m_queue.empty() || m_syncAsked != m_syncDone || !m_unmade.isEmpty(); });
            unmade = std::exchange(m_unmade, QString());
            if (m_queue.empty() && m_syncAsked == m_syncDone && unmade.isEmpty())
                break; // stopping, with nothing left
            while (!m_queue.empty() && batch.size() < size_t(SendBatch)) {
                batch.push_back(std::move(m_queue.front()));
                m_queue.pop_front();
            }
            syncAsked = m_syncAsked;
            syncPending = m_syncAsked != m_syncDone;
        }
        if (!unmade.isEmpty())
            tell(QStringLiteral("unmade"), unmade);
        if (!batch.empty())
            store(batch);
        SyncOutcome synced;
        // A sync waits until what was recorded before it is stored.
        const bool syncing = batch.empty() && syncPending;
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
        tell(QStringLiteral("local"),
             e.message() + (m_place.kind == JournalPlace::Kind::Postgres
                                ? QStringLiteral(". Записи отправляются прямо в общий журнал и теряются, пока он недоступен")
                                : QStringLiteral(". Программа работает без записи в журнал")));
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
        dropShared();
        tell(QStringLiteral("shared"),
             e.message() + QStringLiteral(". Записи сохраняются в журнал этого стенда %1 и будут отправлены позже")
                               .arg(QDir::toNativeSeparators(m_localPath)));
    }
    return m_shared.get();
}

void Journal::store(std::vector<JournalEntry> &batch) {
    const bool shared = m_place.kind == JournalPlace::Kind::Postgres;
    // A shared journal's entries are kept here first and sent from here: each is on the bench's
    // disk before the server is even asked, so a server that takes its time-out to fail, or a
    // program ended meanwhile, loses none of them.
    if (JournalStore *local = localStore(); local && addLocally(*local, batch, shared)) {
        if (shared)
            sendWaiting(false);
        return;
    }
    if (!shared)
        return;
    // Nothing can be kept on this bench: straight to the shared journal, or lost.
    if (JournalStore *s = sharedStore(false)) {
        try {
            s->add(batch);
        } catch (const JournalError &e) {
            dropShared();
            tell(QStringLiteral("lost"), e.message() + QStringLiteral(". Записи журнала не сохранены"));
        }
    }
}

bool Journal::addLocally(JournalStore &local, const std::vector<JournalEntry> &batch, bool waiting) {
    // Busy beyond the busy time-out (a burst of benches on one file) is worth another try.
    for (int attempt = 0;; ++attempt) {
        try {
            local.add(batch, waiting);
            return true;
        } catch (const JournalError &e) {
            if (attempt < 3) {
                QThread::msleep(100 * (attempt + 1));
                continue;
            }
            tell(QStringLiteral("local-write"), e.message());
            return false;
        }
    }
}

void Journal::dropShared() {
    m_shared.reset();
    m_sharedRetryAtMs = nowMs() + SharedRetryMs;
}

QStringList Journal::sendBatch(JournalStore &shared, const std::vector<JournalEntry> &batch) {
    QStringList sent;
    try {
        shared.add(batch);
        for (const JournalEntry &e : batch)
            sent << e.id;
        return sent;
    } catch (const JournalError &) {
        if (!shared.answers())
            throw;
    }
    // The server answers but refused the batch: one at a time, so that an entry it will not take
    // does not hold back the others. The refused stay waiting and are said once.
    for (const JournalEntry &e : batch) {
        try {
            shared.add(e);
            sent << e.id;
        } catch (const JournalError &refused) {
            if (!shared.answers())
                throw;
            tell(QStringLiteral("refused"),
                 refused.message() + QStringLiteral(". Запись %1 остается в журнале этого стенда").arg(e.id));
        }
    }
    return sent;
}

SyncOutcome Journal::sendWaiting(bool retryNow) {
    SyncOutcome o;
    if (m_place.kind != JournalPlace::Kind::Postgres)
        return o;
    if (!m_local && !QFileInfo::exists(m_localPath))
        return o; // nothing ever waited here
    JournalStore *local = localStore();
    if (!local) {
        o.localUnreadable = true;
        o.message = QStringLiteral("Журнал этого стенда %1 не открывается: записи, ожидающие отправки, не прочитаны")
                        .arg(QDir::toNativeSeparators(m_localPath));
        return o;
    }
    try {
        o.left = local->waitingCount();
        if (o.left == 0)
            return o;
        JournalStore *shared = sharedStore(retryNow);
        if (!shared) {
            o.reachable = false; // said by sharedStore()
            return o;
        }
        for (;;) {
            const std::vector<JournalEntry> batch = local->waiting(SendBatch);
            if (batch.empty())
                break;
            const QStringList sent = sendBatch(*shared, batch);
            if (!sent.isEmpty())
                local->markSent(sent);
            o.sent += int(sent.size());
            // What is left of this batch was refused; it is tried again next time.
            if (sent.size() < qsizetype(batch.size()))
                break;
        }
        o.left = local->waitingCount();
    } catch (const JournalError &e) {
        dropShared();
        o.reachable = false;
        tell(QStringLiteral("shared"),
             e.message() + QStringLiteral(". Записи сохраняются в журнал этого стенда %1 и будут отправлены позже")
                               .arg(QDir::toNativeSeparators(m_localPath)));
        try {
            o.left = local->waitingCount();
        } catch (const JournalError &) {
            o.localUnreadable = true;
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
