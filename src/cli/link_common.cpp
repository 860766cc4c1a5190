#include "cli/link_common.h"

#include "cli/commands.h"
#include "station_link/link_preferences.h"
#include "station_link/port_options.h"

#include <mutex>

namespace tolvin::cli {

// Progress lines of the fleet's threads share one stream.
static std::mutex progressLock;

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
    const std::lock_guard<std::mutex> lock(progressLock);
    m_err << percent << '%' << Qt::endl;
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
