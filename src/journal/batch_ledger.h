// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a series of stations has handed out: for each series by name, the Id plan it was begun
// with, how far that plan has gone and which station (by serial number) has which Id. It lives in
// the bench's own journal database, so that an interrupted series goes on where it stopped and
// no Id is ever given twice, by any port or any run. Safe from any thread and any process: each
// call has its own connection and claims run in a write transaction.
#include <QString>
#include <functional>
#include <optional>

namespace tolvin {

class BatchLedger {
public:
    // The SQLite file of the bench's journal; the tables are made when missing. Throws
    // JournalError when the file cannot be opened.
    explicit BatchLedger(QString path);

    // Begins the series, or goes on with one of that name begun with the same plan; throws
    // JournalError for one begun with another plan (its Ids would meet the new ones).
    void begin(const QString &name, const QString &plan);

    struct Claim {
        QString id;          // empty: none for this station (`why` says)
        bool done = false;   // this serial number already got `id` in this series, verified
        QString why;
    };
    // The Id of the station with this serial number: the one it already has in this series, else
    // idAt(n) for the plan's next place n (from 0), which is then taken whatever the write does.
    // idAt gives nothing when the plan has no Id there or none for this serial number.
    Claim claim(const QString &name, const QString &serial,
                const std::function<std::optional<QString>(int place, QString &why)> &idAt);
    // The write of that station ran to its end and verified (or failed: its Id stays its own).
    void finish(const QString &name, const QString &serial, bool ok);
    // Places of the plan taken so far; stations that got their Id.
    int placesTaken(const QString &name);
    int stationsDone(const QString &name);

private:
    template <typename Work>
    auto withDatabase(Work work);
    QString m_path;
};

} // namespace tolvin
