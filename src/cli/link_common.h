// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the link commands share: the port argument, progress on standard error, and how an
// exchange's end becomes an exit code.
#include "station_link/exchanges.h"

#include <QTextStream>
#include <chrono>

namespace tolvin::cli {

// Progress for the person at the terminal, on standard error, one line per change; with a
// prefix (a fleet's device) the gauge is left out, as eight of them would bury the rest.
class ProgressPrinter : public LinkObserver {
public:
    explicit ProgressPrinter(QTextStream &err, QString prefix = QString()) : m_err(err), m_prefix(std::move(prefix)) {}
    void status(const QString &text) override;
    void gauge(int percent) override;
    void buttonsEnabled(bool) override {}
    // Gauge lines carry the time gone and, at the pace so far, the time left of the exchange.
    void transferred(ExchangeKind kind, int done, int total) override;

private:
    std::chrono::steady_clock::time_point m_started{};
    int m_done = 0;
    int m_total = 0;
    QTextStream &m_err;
    QString m_prefix;
    QString m_status;
    int m_gauge = -1;
};

// "--port P": a device path, or a COM number through the options file.
QString resolvePort(const QString &p);

// 0 for an exchange that ran to its end; 2 when the device failed; 1 when the station did.
int exitFor(const ExchangeResult &r);

} // namespace tolvin::cli
