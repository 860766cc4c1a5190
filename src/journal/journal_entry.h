// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One line of a station's history: what was done to which station, on which bench, by whom, how
// it ended, and the configuration it moved. Months later a workshop answers "what did we write
// into this station, and did it verify?" from these alone.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tolvin {

// The operations as they are stored and as scripts see them.
namespace JournalOp {
inline const QString Write = QStringLiteral("write");
inline const QString Read = QStringLiteral("read");
inline const QString Backup = QStringLiteral("backup");
inline const QString Verify = QStringLiteral("verify");
inline const QString Diff = QStringLiteral("diff");
inline const QString Type = QStringLiteral("type");
inline const QString Report = QStringLiteral("report");
inline const QString Doctor = QStringLiteral("doctor");
} // namespace JournalOp

namespace JournalResult {
inline const QString Ok = QStringLiteral("ok");
inline const QString Failed = QStringLiteral("failed");
inline const QString Stopped = QStringLiteral("stopped");
} // namespace JournalResult

struct JournalEntry {
    QString id;            // a UUID, lower case without braces; what makes sending idempotent
    QDateTime time;        // UTC, to the millisecond
    QString bench;         // host name
    QString user;          // login
    QString version;       // of the program that did it
    QString device;        // the /dev/serial/by-id name where there is one
    QString operation;     // JournalOp
    QString serial;        // the station's serial number, where the exchange learned it
    QString stationType;   // "Толвин 7К-61", where known
    QString result;        // JournalResult
    QString message;       // what the technician was told
    qint64 durationMs = 0;
    QByteArray config;     // the settings file involved, as "Запись в файл" saves it; empty: none
    QString configSha256;  // of `config`, hex; empty: none
    QStringList differences;

    bool hasConfig() const { return !configSha256.isEmpty(); }
};

// A fresh entry of this bench, user and program, stamped now.
JournalEntry newJournalEntry(const QString &operation);

// Puts `bytes` in as the entry's configuration, with its hash; empty bytes leave none.
void setJournalConfig(JournalEntry &e, const QByteArray &bytes);

// "2026-12-10T11:09:00.123Z".
QString journalTimeText(const QDateTime &utc);

// The stable name of a serial device: its /dev/serial/by-id link when one points at it, else
// the path as given. `byIdFolder` is "/dev/serial/by-id" except in tests.
QString stableDeviceName(const QString &device, const QString &byIdFolder = QStringLiteral("/dev/serial/by-id"));

} // namespace tolvin
