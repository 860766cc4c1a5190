// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/journal_reader.h"

#include "common/errors.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>

#include <chrono>
#include <sys/socket.h>

namespace tolvin {

namespace {

// A shared journal that did not answer is tried again after this long, or at once by
// "Обновить": filters changed meanwhile read this bench's journal instead of each waiting out the
// connection time-out again.
constexpr qint64 SharedRetryMs = 30000;
// A query on the shared journal that runs longer is given up by cutting its connection: a server
// stopped in the middle of a session never answers, and nothing else would end the wait.
constexpr qint64 QueryBoundMs = 15000;
constexpr int WatchMs = 500;
// How long closing waits for the thread to end before leaving it to end on its own.
constexpr auto PromptEnd = std::chrono::milliseconds(10);
// How long the program's end waits for a thread left to end on its own: a connection attempt
// runs to its time-out, 5 s a server address unless the journal's address sets another, and a
// host name may stand for two addresses.
constexpr auto ExitWait = std::chrono::seconds(10);

qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

// Reader threads still running. Never freed: a thread left to end on its own may end after every
// static object is gone.
struct Running {
    std::mutex mutex;
    std::condition_variable ended;
    int threads = 0;
};
Running &running() {
    static Running *r = new Running;
    return *r;
}

void waitForReaders() {
    Running &r = running();
    std::unique_lock lock(r.mutex);
    r.ended.wait_for(lock, ExitWait, [&] { return r.threads == 0; });
}

// Qt SQL deletes its drivers in a routine of the application's end, and a driver deleted under a
// thread still connecting through it crashes the program on its way out. Routines run last
// registered first, so Qt SQL's is made to register before the wait.
void waitForReadersAtTheEnd() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"));
    qAddPostRoutine(waitForReaders);
}

// The server's own words from a message about the shared journal, without the journal's name
// the window's line already says.
QString awayReason(const QString &message, const QString &uri) {
    QString reason = message;
    const QString named = QStringLiteral("Общий журнал станций %1").arg(uri);
    if (reason.startsWith(named)) {
        reason = reason.mid(named.size());
        const qsizetype colon = reason.indexOf(QStringLiteral(": "));
        if (colon >= 0)
            reason = reason.mid(colon + 2);
    }
    return reason.simplified();
}

} // namespace

// The connections, on the reader's thread only.
class JournalReader::Stores {
public:
    std::unique_ptr<JournalStore> shared, local;
    qint64 sharedRetryAtMs = 0;
    QString sharedAway;  // why the shared journal was away last time
};

JournalReader::JournalReader(JournalPlace place, QString localPath)
    : m_place(std::move(place)), m_localPath(localPath.isEmpty() ? localJournalPath() : std::move(localPath)) {
    waitForReadersAtTheEnd();
    m_watch.setInterval(WatchMs);
    connect(&m_watch, &QTimer::timeout, this, [this] { watch(); });
    m_watch.start();
    {
        const std::lock_guard lock(running().mutex);
        ++running().threads;
    }
    m_thread = std::jthread([this](std::stop_token stop) { run(stop); });
}

JournalReader::~JournalReader() {
    // Ended already, or ending: release() or the thread's own last step brought us here.
    if (m_thread.joinable())
        m_thread.join();
}

void JournalReader::release() {
    disconnect(this, nullptr, nullptr, nullptr);
    m_watch.stop();
    m_thread.request_stop();
    cut();
    {
        std::unique_lock lock(m_mutex);
        m_wake.notify_all();
        if (!m_endedCv.wait_for(lock, PromptEnd, [&] { return m_ended; })) {
            // The thread deletes us when it ends.
            m_abandoned = true;
            return;
        }
    }
    delete this;
}

quint64 JournalReader::read(JournalQuery query, bool next, bool retryShared) {
    const std::lock_guard lock(m_mutex);
    m_asked = ++m_numbers;
    m_reading = Reading{m_asked, std::move(query), next, retryShared};
    m_wake.notify_all();
    return m_asked;
}

quint64 JournalReader::fetch(const QString &id, bool local) {
    const std::lock_guard lock(m_mutex);
    m_fetch = Fetch{++m_numbers, id, local};
    m_wake.notify_all();
    return m_fetch->number;
}

int JournalReader::threadsRunning() {
    const std::lock_guard lock(running().mutex);
    return running().threads;
}

void JournalReader::cut() {
    const std::lock_guard lock(m_mutex);
    if (m_socket < 0)
        return;
    // Not closed: the descriptor stays the connection's until its thread closes it, so it can
    // never be another file's by then. A blocked read or write on it returns at once.
    ::shutdown(m_socket, SHUT_RDWR);
    m_cut = true;
}

void JournalReader::watch() {
    qint64 since = 0;
    {
        const std::lock_guard lock(m_mutex);
        since = m_querySinceMs;
    }
    if (since > 0 && nowMs() - since > QueryBoundMs)
        cut();
}

void JournalReader::run(std::stop_token stop) {
    {
        Stores stores;
        for (;;) {
            std::optional<Reading> reading;
            std::optional<Fetch> fetch;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, stop, [&] { return m_reading || m_fetch; });
                if (stop.stop_requested())
                    break;
                // The technician waits on a fetch (a button pressed); a reading may be superseded.
                if (m_fetch)
                    fetch = std::exchange(m_fetch, std::nullopt);
                else
                    reading = std::exchange(m_reading, std::nullopt);
            }
            // Nothing may escape the thread: it would end the program.
            if (fetch) {
                auto fetched = std::make_shared<JournalFetched>();
                if (const std::optional<Failure> f = catchFailure([&] { *fetched = fetchEntry(stores, *fetch); }))
                    fetched->error = f->message;
                fetched->number = fetch->number;
                Q_EMIT entryFetched(std::move(fetched));
                continue;
            }
            auto page = std::make_shared<JournalPage>();
            if (const std::optional<Failure> f = catchFailure([&] { *page = readPage(stores, *reading); }))
                page->error = f->message;
            page->number = reading->number;
            page->next = reading->next;
            {
                const std::lock_guard lock(m_mutex);
                if (m_asked != reading->number)
                    continue; // superseded
            }
            Q_EMIT pageRead(std::move(page));
        }
        // The connections belong to this thread and close on it.
        {
            const std::lock_guard lock(m_mutex);
            m_socket = -1;
        }
    }
    bool abandoned = false;
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        abandoned = m_abandoned;
        m_endedCv.notify_all();
    }
    if (abandoned)
        deleteLater();
    Running &r = running();
    const std::lock_guard lock(r.mutex);
    --r.threads;
    r.ended.notify_all();
}

JournalStore *JournalReader::shared(Stores &stores, bool retryNow) {
    if (!stores.shared && (retryNow || nowMs() >= stores.sharedRetryAtMs)) {
        try {
            stores.shared = std::make_unique<JournalStore>(m_place);
            const int socket = stores.shared->socketDescriptor();
            const std::lock_guard lock(m_mutex);
            m_socket = socket;
            m_cut = false;
        } catch (const JournalError &e) {
            stores.sharedAway = awayReason(e.message(), m_place.uri);
            stores.sharedRetryAtMs = nowMs() + SharedRetryMs;
        }
    }
    return stores.shared.get();
}

bool JournalReader::onShared(Stores &stores, const std::function<void(JournalStore &)> &query) {
    {
        const std::lock_guard lock(m_mutex);
        m_querySinceMs = nowMs();
    }
    std::optional<QString> failed;
    try {
        query(*stores.shared);
    } catch (const JournalError &e) {
        failed = awayReason(e.message(), m_place.uri);
    }
    bool cut = false;
    {
        const std::lock_guard lock(m_mutex);
        m_querySinceMs = 0;
        if (failed) {
            cut = m_cut;
            // No longer the connection's once this returns: cut() must not reach it.
            m_socket = -1;
        }
    }
    if (!failed)
        return true;
    stores.sharedAway = cut ? QStringLiteral("нет ответа за %1 с").arg(QueryBoundMs / 1000) : *failed;
    stores.sharedRetryAtMs = nowMs() + SharedRetryMs;
    // A connection that failed a query is not trusted with the next one.
    stores.shared.reset();
    return false;
}

JournalStore &JournalReader::local(Stores &stores) {
    if (!stores.local) {
        JournalPlace place = m_place;
        if (place.kind == JournalPlace::Kind::Postgres) {
            place = JournalPlace{};
            place.path = m_localPath;
        }
        stores.local = std::make_unique<JournalStore>(place);
    }
    return *stores.local;
}

JournalPage JournalReader::readPage(Stores &stores, const Reading &r) {
    JournalPage page;
    JournalQuery query = r.query;
    // One more than asked for tells whether there are more.
    const int limit = query.limit;
    if (limit > 0)
        query.limit = limit + 1;
    const auto trimmed = [&](std::vector<JournalEntry> entries) {
        if (limit > 0 && entries.size() > size_t(limit)) {
            entries.resize(size_t(limit));
            page.more = true;
        }
        return entries;
    };
    const bool shares = m_place.kind == JournalPlace::Kind::Postgres;
    if (shares && shared(stores, r.retryShared) &&
        onShared(stores, [&](JournalStore &s) { page.entries = trimmed(s.list(query)); }))
        return page;
    if (shares) {
        page.local = true;
        page.sharedAway = stores.sharedAway;
        // A bench where nothing ever waited has no journal of its own; none is made for reading.
        if (!stores.local && !QFileInfo::exists(m_localPath))
            return page;
    }
    try {
        JournalStore &store = local(stores);
        page.entries = trimmed(store.list(query));
        if (shares) {
            page.waitingCount = store.waitingCount();
            if (page.waitingCount > 0 && !page.entries.empty()) {
                // The waiting among these are among as many waiting ones from the same place on.
                JournalQuery waiting = query;
                waiting.waitingOnly = true;
                waiting.limit = int(page.entries.size());
                for (const JournalEntry &e : store.list(waiting))
                    page.waiting.insert(e.id);
            }
        }
    } catch (const JournalError &e) {
        // Opened again next time: the file may be mended by then.
        stores.local.reset();
        page.entries.clear();
        page.more = false;
        page.error = e.message();
    }
    return page;
}

JournalFetched JournalReader::fetchEntry(Stores &stores, const Fetch &f) {
    JournalFetched fetched;
    if (m_place.kind == JournalPlace::Kind::Postgres && !f.local) {
        if (!shared(stores, true) || !onShared(stores, [&](JournalStore &s) { fetched.entry = s.entry(f.id); }))
            fetched.error = QStringLiteral("Общий журнал недоступен: %1").arg(stores.sharedAway);
        return fetched;
    }
    try {
        fetched.entry = local(stores).entry(f.id);
    } catch (const JournalError &e) {
        stores.local.reset();
        fetched.error = e.message();
    }
    return fetched;
}

} // namespace tolvin
