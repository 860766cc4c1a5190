// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One series of stations as tolvin-cli and the window run it: the configuration, the Id plan,
// the name it is kept under in the bench's journal database, the image each station gets and
// what the journal keeps of each.
#include "journal/batch_ledger.h"
#include "journal/journal_entry.h"
#include "station_link/batch_conveyor.h"
#include "table/editor.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace tolvin {

struct IdPlan {
    QString start;                 // "0101"; empty: the list
    int step = 1;
    QString listFile;              // "serial;Id" lines
    QHash<QString, QString> list;  // serial number -> Id, read from listFile
    bool byList() const { return start.isEmpty(); }
    QString text() const;          // what the series remembers: "с 0101 шаг 1", "список номера.csv"
};

// "Id должен состоять из четырех знаков 0-9, A-D, # или *: «X»".
QString badIdMessage(const QString &id);
// Reads `plan.listFile` into `plan.list`: a line "serial;Id" each (a heading line allowed). False
// with `why` (the file and line) for a line that is no such pair, a bad Id, or a serial number or
// Id given twice.
bool readIdList(IdPlan &plan, QString &why);

// The configuration with this Id, the same in every line but that one.
Editor withStationId(const Editor &ed, const QString &id);

class Series {
public:
    // `ledgerPath`: the bench's journal database. Throws JournalError when it cannot be opened.
    Series(Editor configuration, IdPlan plan, QString name, const QString &ledgerPath);

    const QString &name() const { return m_name; }
    const IdPlan &plan() const { return m_plan; }
    const Editor &configuration() const { return m_ed; }
    // Why the plan cannot serve `stations` more (0: as many as come), or empty.
    QString shortfall(int stations);
    // Begins the series or goes on with it; throws JournalError for one of that name begun with
    // another plan.
    void begin();
    int stationsDone();

    // For the conveyor: the image of the station with this serial number and its Id. A serial
    // number that already got its Id in this series is asked about (`again`: true writes the same
    // Id again); without a question it is passed over.
    std::optional<StreamImage> imageFor(const QString &serial, QString &id, QString &why,
                                        const std::function<bool(const QString &serial, const QString &id)> &again = nullptr);
    // A station's end into the ledger, and the journal entries that say it (naming the series
    // and the Id).
    std::vector<JournalEntry> finished(const ConveyorStation &station);

private:
    Editor m_ed;
    IdPlan m_plan;
    QString m_name;
    std::unique_ptr<BatchLedger> m_ledger;
};

} // namespace tolvin
