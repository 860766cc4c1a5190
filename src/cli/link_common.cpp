// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/link_common.h"

#include "cli/commands.h"
#include "station_link/link_preferences.h"
#include "station_link/port_options.h"

#include <mutex>

namespace tolvin::cli {

// Progress lines of the fleet's threads share one stream.
static std::mutex progressLock;

namespace {
// "0:07", "12:30".
QString clockText(std::chrono::steady_clock::duration d) {
    const long long s = std::chrono::duration_cast<std::chrono::seconds>(d).count();
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

void ProgressPrinter::status(const QString &text) {
    if (text == m_status)
        return;
    m_status = text;
    const std::lock_guard<std::mutex> lock(progressLock);
    if (!m_prefix.isEmpty())
        m_err << m_prefix << QStringLiteral(": ");
    m_err << QStringLiteral("Состояние: ") << text << Qt::endl;
}

void ProgressPrinter::gauge(int percent) {
    if (percent == m_gauge || !m_prefix.isEmpty())
        return;
    m_gauge = percent;
    QString line = QString::number(percent) + QLatin1Char('%');
    if (m_done > 0 && m_total > m_done) {
        const auto elapsed = std::chrono::steady_clock::now() - m_started;
        const auto left = elapsed * (m_total - m_done) / m_done;
        line += QStringLiteral("  прошло %1, осталось %2").arg(clockText(elapsed), clockText(left));
    }
    const std::lock_guard<std::mutex> lock(progressLock);
    m_err << line << Qt::endl;
}

void ProgressPrinter::transferred(ExchangeKind, int done, int total) {
    if (done == 0)
        m_started = std::chrono::steady_clock::now();
    m_done = done;
    m_total = total;
}

QString resolvePort(const QString &p) {
    bool number = false;
    const int n = p.toInt(&number);
    if (number && n > 0) {
        // The same device the link window shows for that port, picked or from the options file.
        const QString options = optionsFilePath();
        return portDevice(readPortOptions(options), n, options, preferencesFilePath());
    }
    return p;
}

int exitFor(const ExchangeResult &r) {
    if (r.ok())
        return ExitOk;
    return r.portError ? ExitUsage : ExitFailed;
}

} // namespace tolvin::cli
