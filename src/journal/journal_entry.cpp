// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/journal_entry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QUuid>

#include <pwd.h>
#include <unistd.h>

namespace tolvin {

namespace {
QString loginName() {
    // The account the program runs as, not what a shell variable claims.
    if (const passwd *pw = ::getpwuid(::geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}
} // namespace

JournalEntry newJournalEntry(const QString &operation) {
    JournalEntry e;
    e.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    e.time = QDateTime::currentDateTimeUtc();
    e.bench = QSysInfo::machineHostName();
    e.user = loginName();
    e.version = QStringLiteral(TOLVIN_VERSION);
    e.operation = operation;
    e.result = JournalResult::Ok;
    return e;
}

void setJournalConfig(JournalEntry &e, const QByteArray &bytes) {
    e.config = bytes;
    e.configSha256 = bytes.isEmpty()
                         ? QString()
                         : QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString journalTimeText(const QDateTime &utc) {
    return utc.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QString stableDeviceName(const QString &device, const QString &byIdFolder) {
    if (device.startsWith(byIdFolder + QLatin1Char('/')))
        return device;
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return device;
    const QDir dir(byIdFolder);
    for (const QFileInfo &link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    return device;
}

} // namespace tolvin
