// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/batch_series.h"

#include "common/delimited_text.h"
#include "common/errors.h"
#include "common/file_io.h"
#include "journal/exchange_entries.h"
#include "settings_file/settings_file.h"
#include "station_link/configuration_compare.h"

#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace tolvin {

namespace {
const QString IdKey = QStringLiteral("Id_номер=");
}

QString IdPlan::text() const {
    return byList() ? QStringLiteral("список %1").arg(QFileInfo(listFile).fileName()) : idPlanText(start, step);
}

QString badIdMessage(const QString &id) {
    return QStringLiteral("Id должен состоять из четырех знаков 0-9, A-D, # или *: «%1»").arg(id);
}

bool readIdList(IdPlan &plan, QString &why) {
    QString text;
    try {
        text = QString::fromUtf8(readSavedFileBytes(plan.listFile));
    } catch (const AppError &e) {
        why = e.message();
        return false;
    }
    QSet<QString> given;
    const QList<QStringList> rows = parseDelimited(text, QLatin1Char(';'));
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList &row = rows[i];
        if (row.size() == 1 && row[0].trimmed().isEmpty())
            continue;
        const QString serial = row.value(0).trimmed().toUpper();
        const QString id = row.value(1).trimmed().toUpper();
        // A heading names its columns in words, which no Id is made of.
        const bool heading = std::any_of(id.begin(), id.end(), [](QChar c) { return !idValue(QString(4, c)); });
        if (i == 0 && row.size() == 2 && heading)
            continue;
        const QString where = QStringLiteral("%1, строка %2: ").arg(plan.listFile).arg(i + 1);
        if (row.size() != 2 || !idValue(id)) {
            why = where + (row.size() != 2 ? QStringLiteral("нужно «серийный_номер;Id»") : badIdMessage(id));
            return false;
        }
        if (plan.list.contains(serial)) {
            why = where + QStringLiteral("серийный номер %1 указан дважды").arg(serial);
            return false;
        }
        if (given.contains(id)) {
            why = where + QStringLiteral("Id %1 указан дважды").arg(id);
            return false;
        }
        plan.list.insert(serial, id);
        given.insert(id);
    }
    return true;
}

Editor withStationId(const Editor &ed, const QString &id) {
    Editor own = ed;
    bool found = false;
    for (QString &line : own.memo) {
        if (line.startsWith(IdKey)) {
            line = IdKey + id;
            found = true;
        }
    }
    if (!found)
        own.memo << IdKey + id;
    return own;
}

Series::Series(Editor configuration, IdPlan plan, QString name, const QString &ledgerPath)
    : m_ed(std::move(configuration)), m_plan(std::move(plan)), m_name(std::move(name)),
      m_ledger(std::make_unique<BatchLedger>(ledgerPath)) {
    m_plan.start = m_plan.start.toUpper();
}

QString Series::shortfall(int stations) {
    if (stations <= 0)
        return QString();
    const bool short_ = m_plan.byList()
                            ? m_plan.list.size() - m_ledger->stationsDone(m_name) < stations
                            : *idValue(m_plan.start) + qint64(m_plan.step) * (m_ledger->placesTaken(m_name) + stations - 1) > 0xFFFF;
    return short_ ? QStringLiteral("Id серии «%1» не хватит на %2 станций (%3)").arg(m_name).arg(stations).arg(m_plan.text())
                  : QString();
}

void Series::begin() {
    m_ledger->begin(m_name, m_plan.text());
}

int Series::stationsDone() {
    return m_ledger->stationsDone(m_name);
}

std::optional<StreamImage> Series::imageFor(const QString &serial, QString &id, QString &why,
                                            const std::function<bool(const QString &, const QString &)> &again) {
    const BatchLedger::Claim c = m_ledger->claim(m_name, serial, [&](int at, QString &reason) -> std::optional<QString> {
        if (m_plan.byList()) {
            if (!m_plan.list.contains(serial)) {
                reason = QStringLiteral("серийного номера %1 нет в %2").arg(serial, m_plan.listFile);
                return std::nullopt;
            }
            return m_plan.list.value(serial);
        }
        const qint64 value = *idValue(m_plan.start) + qint64(m_plan.step) * at;
        if (value > 0xFFFF) {
            reason = QStringLiteral("Id серии «%1» закончились").arg(m_name);
            return std::nullopt;
        }
        return idText(int(value));
    });
    id = c.id;
    if (c.id.isEmpty()) {
        why = c.why;
        return std::nullopt;
    }
    if (c.done && !(again && again(serial, c.id))) {
        why = QStringLiteral("Станция %1 уже получила Id %2 в серии «%3»: пропущена").arg(serial, c.id, m_name);
        return std::nullopt;
    }
    return checkedImage(withStationId(m_ed, c.id), why);
}

std::vector<JournalEntry> Series::finished(const ConveyorStation &s) {
    // The entries are made whatever the ledger says: the station was written all the same.
    if (!s.serial.isEmpty() && !s.id.isEmpty() && s.end != ConveyorStation::End::PassedOver)
        (void)catchFailure([&] { m_ledger->finish(m_name, s.serial, s.end == ConveyorStation::End::Written); });
    const QByteArray configFile = s.id.isEmpty() ? QByteArray() : settingsFileBytes(withStationId(m_ed, s.id));
    std::vector<JournalEntry> entries = safeWriteEntries(s.write, configFile, {s.device, s.duration});
    // A station passed over was only read: its backup is all there is to keep.
    if (s.end == ConveyorStation::End::PassedOver)
        std::erase_if(entries, [](const JournalEntry &e) { return e.operation != JournalOp::Backup; });
    const QString said = QStringLiteral("Серия «%1», Id %2: ").arg(m_name, s.id.isEmpty() ? QStringLiteral("-") : s.id);
    for (JournalEntry &e : entries)
        e.message = said + e.message;
    return entries;
}

} // namespace tolvin
