// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/journal.h"

#include "journal/journal_spill.h"
#include "journal/journal_store.h"

#include "common/errors.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <sys/socket.h>
#include <utility>

namespace tolvin {

namespace {
// While entries wait and nothing new comes, the sender tries the server again this often.
constexpr std::chrono::seconds SenderRetry{30};
// `journal sync` waits this long for the sender's pass before it cuts the connection.
constexpr std::chrono::seconds SyncWait{15};
// Entries kept or sent per transaction.
constexpr int SendBatch = 500;

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
    // A thread that fails (out of memory, a fault of the program's own) says so once; nobody
    // waits for it after that, and the work goes on.
    const auto guarded = [this](void (Journal::*body)(std::stop_token), std::stop_token stop) {
        if (const std::optional<Failure> f = catchFailure([&] { (this->*body)(stop); })) {
            {
                const std::lock_guard lock(m_mutex);
                m_failed = true;
            }
            m_done.notify_all();
            tell(QStringLiteral("failed"), QStringLiteral("Журнал станций остановлен: ") + f->message);
        }
    };
    m_keeper = std::jthread([guarded](std::stop_token stop) { guarded(&Journal::runKeeper, stop); });
    if (shared()) {
        // What an earlier run left waiting goes at once, and the end waits for that pass too.
        m_sendAsked = 1;
        m_sender = std::jthread([guarded](std::stop_token stop) { guarded(&Journal::runSender, stop); });
    }
}

Journal::~Journal() {
    if (!enabled())
        return;
    flush();
    m_keeper.request_stop();
    m_wake.notify_all();
    m_keeper.join();
    if (m_sender.joinable()) {
        m_sender.request_stop();
        m_sendWake.notify_all();
        // A statement the server sits on ends now; the entries stay waiting here.
        cutOffSender();
        m_sender.join();
        if (!m_direct.empty())
            tell(QStringLiteral("lost"), QStringLiteral("Записи журнала станций (%1) не сохранены: журнал этого стенда "
                                                        "недоступен, а общий журнал не ответил")
                                             .arg(m_direct.size()));
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

void Journal::flush(std::chrono::milliseconds delivery) {
    if (!enabled())
        return;
    std::unique_lock lock(m_mutex);
    const quint64 target = m_recorded;
    // Bounded: the keeper waits a second at most for a busy file, then spills.
    m_done.wait(lock, [&] { return m_kept >= target || m_failed; });
    if (!shared())
        return;
    const quint64 asked = m_sendAsked;
    const bool done = m_done.wait_for(lock, delivery, [&] { return m_sendDone >= asked || m_failed; });
    const SyncOutcome outcome = m_lastSync;
    lock.unlock();
    // A refused entry has been said on its own.
    if (!done || !outcome.reachable || outcome.localUnreadable)
        tell(QStringLiteral("shared"),
             QStringLiteral("Записи журнала станций еще не отправлены в общий журнал: они ждут в журнале этого стенда "
                            "%1 и будут отправлены позже")
                 .arg(QDir::toNativeSeparators(m_localPath)));
}

SyncOutcome Journal::sync() {
    if (!enabled())
        return {};
    if (!shared()) {
        flush();
        return {};
    }
    std::unique_lock lock(m_mutex);
    const quint64 target = m_recorded;
    m_done.wait(lock, [&] { return m_kept >= target || m_failed; });
    const quint64 asked = ++m_sendAsked;
    m_sendWake.notify_all();
    const auto passed = [&] { return m_sendDone >= asked || m_failed; };
    if (!m_done.wait_for(lock, SyncWait, passed)) {
        cutOffSender();
        m_done.wait(lock, passed);
    }
    if (m_failed && m_sendDone < asked) {
        SyncOutcome failed;
        failed.reachable = false;
        failed.left = 1;
        return failed;
    }
    return m_lastSync;
}

void Journal::runKeeper(std::stop_token stop) {
    if (!m_place.error.isEmpty())
        tell(QStringLiteral("place"), m_place.error + QStringLiteral("; записи сохраняются в журнал этого стенда"));
    for (;;) {
        std::vector<JournalEntry> batch;
        QString unmade;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, stop, [&] { return !m_queue.empty() || !m_unmade.isEmpty(); });
            unmade = std::exchange(m_unmade, QString());
            if (m_queue.empty() && unmade.isEmpty())
                break; // stopping, with nothing left
            while (!m_queue.empty() && batch.size() < size_t(SendBatch)) {
                batch.push_back(std::move(m_queue.front()));
                m_queue.pop_front();
            }
        }
        if (!unmade.isEmpty())
            tell(QStringLiteral("unmade"), unmade);
        if (!batch.empty())
            keep(batch);
        {
            const std::lock_guard lock(m_mutex);
            m_kept += batch.size();
            // Every exchange's entries are the moment to try the server again.
            if (!batch.empty() && shared())
                ++m_sendAsked;
        }
        m_done.notify_all();
        m_sendWake.notify_all();
    }
    m_keeperLocal.reset();
}

JournalStore *Journal::keeperStore(QString &why) {
    if (m_keeperLocal)
        return m_keeperLocal.get();
    try {
        JournalPlace local;
        local.path = m_localPath;
        m_keeperLocal = std::make_unique<JournalStore>(local);
    } catch (const JournalError &e) {
        // A file that was only busy is tried again with the next entries.
        why = e.message();
    }
    return m_keeperLocal.get();
}

void Journal::keep(std::vector<JournalEntry> &batch) {
    const bool waiting = shared();
    QString why;
    if (JournalStore *local = keeperStore(why)) {
        mergeSpilled(m_localPath, *local);
        try {
            local->add(batch, waiting);
            return;
        } catch (const JournalError &e) {
            // Busy beyond the wait, or refused: the spill file keeps them.
            why = e.message();
        }
    }
    try {
        spillEntries(m_localPath, batch, waiting);
        tell(QStringLiteral("spill"), QStringLiteral("%1. Записи журнала сохранены в %2 и будут перенесены в журнал, "
                                                     "когда он станет доступен")
                                          .arg(why, QDir::toNativeSeparators(spillPath(m_localPath))));
        return;
    } catch (const JournalError &e) {
        if (!waiting) {
            tell(QStringLiteral("lost"), why + QStringLiteral(". ") + e.message());
            return;
        }
    }
    // Nothing can keep them on this bench: straight to the shared journal, or lost at the end.
    const std::lock_guard lock(m_mutex);
    for (JournalEntry &e : batch)
        m_direct.push_back(std::move(e));
}

void Journal::runSender(std::stop_token stop) {
    for (;;) {
        quint64 asked = 0;
        {
            std::unique_lock lock(m_mutex);
            m_sendWake.wait_for(lock, stop, SenderRetry, [&] { return m_sendAsked != m_sendDone; });
            if (stop.stop_requested())
                break;
            asked = m_sendAsked;
        }
        const SyncOutcome o = sendWaiting();
        {
            const std::lock_guard lock(m_mutex);
            m_lastSync = o;
            m_sendDone = std::max(m_sendDone, asked);
        }
        m_done.notify_all();
    }
    dropShared();
    m_senderLocal.reset();
    // Anyone still waiting for a pass learns there will be none.
    {
        const std::lock_guard lock(m_mutex);
        m_sendDone = m_sendAsked;
    }
    m_done.notify_all();
}

JournalStore *Journal::senderLocal() {
    if (m_senderLocal)
        return m_senderLocal.get();
    try {
        JournalPlace local;
        local.path = m_localPath;
        m_senderLocal = std::make_unique<JournalStore>(local);
        // The bench's history before the shared journal was set up belongs to the stations'
        // history too: it goes along, once per shared journal.
        m_senderLocal->queueHistoryFor(m_place.uri);
    } catch (const JournalError &) {
        // The keeper says why the bench's journal does not open.
        m_senderLocal.reset();
    }
    return m_senderLocal.get();
}

JournalStore *Journal::sharedStore() {
    if (m_shared)
        return m_shared.get();
    try {
        auto store = std::make_unique<JournalStore>(m_place);
        const int socket = store->socketDescriptor();
        const std::lock_guard lock(m_socketMutex);
        m_shared = std::move(store);
        m_senderSocket = socket;
    } catch (const JournalError &e) {
        dropShared();
        tell(QStringLiteral("shared"),
             e.message() + QStringLiteral(". Записи сохраняются в журнал этого стенда %1 и будут отправлены позже")
                               .arg(QDir::toNativeSeparators(m_localPath)));
    }
    return m_shared.get();
}

void Journal::dropShared() {
    const std::lock_guard lock(m_socketMutex);
    m_senderSocket = -1;
    m_shared.reset();
}

void Journal::cutOffSender() {
    const std::lock_guard lock(m_socketMutex);
    if (m_senderSocket >= 0)
        ::shutdown(m_senderSocket, SHUT_RDWR);
}

QStringList Journal::sendBatch(JournalStore &shared, const std::vector<JournalEntry> &batch) {
    QStringList sent;
    try {
        shared.add(batch);
        for (const JournalEntry &e : batch)
            sent << e.id;
        return sent;
    } catch (const JournalError &e) {
        // Busy, cut short or gone: the whole batch waits for the next pass.
        if (e.unreachable() || !shared.answers())
            throw;
    }
    // The server answers but refused the batch: one at a time, so that an entry it will not take
    // does not hold back the others. The refused stay waiting and are said once.
    for (const JournalEntry &e : batch) {
        try {
            shared.add(e);
            sent << e.id;
        } catch (const JournalError &refused) {
            if (refused.unreachable() || !shared.answers())
                throw;
            tell(QStringLiteral("refused"),
                 refused.message() + QStringLiteral(". Запись %1 остается в журнале этого стенда").arg(e.id));
        }
    }
    return sent;
}

SyncOutcome Journal::sendWaiting() {
    SyncOutcome o;
    std::vector<JournalEntry> direct;
    {
        const std::lock_guard lock(m_mutex);
        direct.swap(m_direct);
    }
    const bool localThere = m_senderLocal || QFileInfo::exists(m_localPath);
    JournalStore *local = localThere ? senderLocal() : nullptr;
    if (localThere && !local) {
        o.localUnreadable = true;
        o.message = QStringLiteral("Журнал этого стенда %1 не открывается: записи, ожидающие отправки, не прочитаны")
                        .arg(QDir::toNativeSeparators(m_localPath));
    }
    const auto putBack = [&] {
        const std::lock_guard lock(m_mutex);
        for (JournalEntry &e : direct)
            m_direct.push_back(std::move(e));
        direct.clear();
    };
    try {
        if (local)
            mergeSpilled(m_localPath, *local);
        o.left = int(direct.size()) + (local ? local->waitingCount() : 0);
        if (o.left == 0)
            return o;
        JournalStore *shared = sharedStore();
        if (!shared) {
            o.reachable = false; // said by sharedStore()
            putBack();
            return o;
        }
        if (!shared->newerSchema().isEmpty()) {
            tell(QStringLiteral("newer"), shared->newerSchema());
            o.reachable = false;
            putBack();
            return o;
        }
        if (!direct.empty()) {
            shared->add(direct);
            o.sent += int(direct.size());
            direct.clear();
        }
        while (local) {
            const std::vector<JournalEntry> batch = local->waiting(SendBatch);
            if (batch.empty())
                break;
            const QStringList sent = sendBatch(*shared, batch);
            // Another sender of this bench (a second command) may have taken some off first.
            if (!sent.isEmpty())
                o.sent += local->markSent(sent);
            // What is left of this batch was refused; it is tried again next time.
            if (sent.size() < qsizetype(batch.size()))
                break;
        }
        o.left = local ? local->waitingCount() : 0;
    } catch (const JournalError &e) {
        dropShared();
        putBack();
        o.reachable = false;
        tell(QStringLiteral("shared"),
             e.message() + QStringLiteral(". Записи сохраняются в журнал этого стенда %1 и будут отправлены позже")
                               .arg(QDir::toNativeSeparators(m_localPath)));
        try {
            o.left = int(direct.size()) + (local ? local->waitingCount() : 0);
        } catch (const JournalError &) {
            o.localUnreadable = true;
        }
    }
    return o;
}

void Journal::tell(const QString &key, const QString &text) {
    {
        const std::lock_guard lock(m_toldMutex);
        if (m_told.contains(key))
            return;
        m_told << key;
    }
    if (m_notice)
        m_notice(text);
}

} // namespace tolvin
