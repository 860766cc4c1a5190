// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/link_worker.h"

#include "common/errors.h"

#include <algorithm>

namespace tolvin {

// The observer an exchange sees on its thread; every call becomes a signal, which Qt queues to
// the window's thread.
class LinkWorker::Forwarder : public LinkObserver {
public:
    explicit Forwarder(LinkWorker &w) : m_w(w) {}
    void status(const QString &text) override { Q_EMIT m_w.status(text); }
    void gauge(int percent) override { Q_EMIT m_w.gauge(std::clamp(percent, 0, 100)); }
    void buttonsEnabled(bool enabled) override { Q_EMIT m_w.buttonsEnabled(enabled); }
    void readProgress(ReadPhase phase, const QByteArray &stream) override {
        Q_EMIT m_w.readProgress(static_cast<int>(phase), stream);
    }
    void transferred(ExchangeKind kind, int done, int total) override {
        Q_EMIT m_w.transferred(static_cast<int>(kind), done, total);
    }

private:
    LinkWorker &m_w;
};

LinkWorker::LinkWorker(QObject *parent) : QObject(parent) {
    // `running` goes false on the window's thread, after every signal of the exchange arrived,
    // and before the window hears of the end (connected first).
    connect(this, &LinkWorker::finished, this, [this] { m_running = false; }, Qt::QueuedConnection);
}

LinkWorker::~LinkWorker() {
    stop();
}

bool LinkWorker::start(Job job) {
    if (m_running)
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_running = true;
    m_thread = std::jthread([this, job = std::move(job)](std::stop_token token) {
        // The exchanges and the port look at a plain flag, which a stop request sets.
        std::atomic<bool> stop{false};
        const std::stop_callback onStop(token, [&stop] { stop = true; });
        Forwarder observer(*this);
        // Nothing may escape the thread: an exception there would end the program.
        const std::optional<Failure> failure = catchFailure([&] { job(observer, stop); });
        Q_EMIT finished(failure ? failure->message : QString());
    });
    return true;
}

void LinkWorker::stop() {
    if (!m_thread.joinable())
        return;
    m_thread.request_stop();
    m_thread.join();
}

void LinkWorker::requestStop() {
    if (m_running)
        m_thread.request_stop();
}

} // namespace tolvin
