#include "gui/link_worker.h"

#include "common/errors.h"

#include <algorithm>
#include <new>

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
    delete m_thread; // ended: stop() waited for it
}

bool LinkWorker::start(Job job) {
    if (m_running)
        return false;
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_stop = false;
    m_running = true;
    m_thread = QThread::create([this, job = std::move(job)] {
        Forwarder observer(*this);
        QString error;
        // Nothing may escape the thread: an exception there would end the program.
        try {
            job(observer, m_stop);
        } catch (const AppError &e) {
            error = e.message();
        } catch (const std::bad_alloc &) {
            error = QStringLiteral("Недостаточно памяти");
        } catch (const std::exception &e) {
            error = QStringLiteral("Внутренняя ошибка: ") + QString::fromLocal8Bit(e.what());
        } catch (...) {
            error = QStringLiteral("Внутренняя ошибка");
        }
        Q_EMIT finished(error);
    });
    m_thread->start();
    return true;
}

void LinkWorker::stop() {
    if (!m_thread)
        return;
    m_stop = true;
    m_thread->wait();
}

void LinkWorker::requestStop() {
    if (m_running)
        m_stop = true;
}

} // namespace tolvin
