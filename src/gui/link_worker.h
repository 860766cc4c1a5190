// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs one station exchange at a time on its own thread, so the link window keeps repainting
// while bytes crawl over the 1200-baud line. What the exchange reports (status, gauge, buttons,
// the end) reaches the window by queued signals, in the order it happened.
#include "station_link/link.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>

namespace tolvin {

class LinkWorker : public QObject {
    Q_OBJECT
public:
    // The exchange; `stop` turns true when the program asks it to end at the next byte.
    using Job = std::function<void(LinkObserver &observer, const std::atomic<bool> &stop)>;

    explicit LinkWorker(QObject *parent = nullptr);
    ~LinkWorker() override; // stops and waits

    // False (and nothing runs) while an exchange is still running.
    bool start(Job job);
    bool running() const { return m_running; }
    // Asks the running exchange to stop and waits for it: at most one reply time-out.
    void stop();
    // Asks it to stop and returns at once; finished comes when it has.
    void requestStop();

Q_SIGNALS:
    void status(const QString &text);
    void gauge(int percent);
    void buttonsEnabled(bool enabled);
    void readProgress(int phase, const QByteArray &stream); // a ReadPhase
    void transferred(int kind, int done, int total);        // an ExchangeKind
    // The exchange ended; `error` is its message when it failed, empty when it ran to its end.
    void finished(const QString &error);

private:
    class Forwarder;
    std::jthread m_thread;
    bool m_running = false;
};

} // namespace tolvin
