// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli batch: a series of stations through one port or several, each with its own Id,
// journaled and resumable by the series' name.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/journal_session.h"
#include "cli/link_common.h"

#include "common/delimited_text.h"
#include "common/errors.h"
#include "common/file_io.h"
#include "journal/batch_ledger.h"
#include "journal/exchange_entries.h"
#include "journal/journal_store.h"
#include "settings_file/settings_file.h"
#include "station_link/batch_conveyor.h"
#include "station_link/configuration_compare.h"
#include "table/editor.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <mutex>

namespace tolvin::cli {

namespace {

const QString IdKey = QStringLiteral("Id_номер=");
const QString SeriesComplete = QStringLiteral("Серия завершена");

// The configuration as this station gets it: the same in every line but its Id.
Editor withId(const Editor &ed, const QString &id) {
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

QString badIdMessage(const QString &id) {
    return QStringLiteral("Id должен состоять из четырех знаков 0-9, A-D, # или *: «%1»").arg(id);
}

// "serial;Id" a line; a first line that is no such pair is a heading.
bool readIdList(const QString &path, QHash<QString, QString> &ids, QString &why) {
    QString text;
    try {
        text = QString::fromUtf8(readSavedFileBytes(path));
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
        const QString where = QStringLiteral("%1, строка %2: ").arg(path).arg(i + 1);
        if (row.size() != 2 || !idValue(id)) {
            // A heading names its columns in words, which no Id is made of.
            const bool heading = std::any_of(id.begin(), id.end(), [](QChar c) { return !idValue(QString(4, c)); });
            if (i == 0 && row.size() == 2 && heading)
                continue;
            why = where + (row.size() != 2 ? QStringLiteral("нужно «серийный_номер;Id»") : badIdMessage(id));
            return false;
        }
        if (ids.contains(serial)) {
            why = where + QStringLiteral("серийный номер %1 указан дважды").arg(serial);
            return false;
        }
        if (given.contains(id)) {
            why = where + QStringLiteral("Id %1 указан дважды").arg(id);
            return false;
        }
        ids.insert(serial, id);
        given.insert(id);
    }
    return true;
}

QString outcomeWord(ConveyorStation::End end) {
    switch (end) {
    case ConveyorStation::End::Written: return QStringLiteral("записана");
    case ConveyorStation::End::Failed: return QStringLiteral("ошибка");
    case ConveyorStation::End::WrongBand: return QStringLiteral("отказ");
    case ConveyorStation::End::PassedOver: return QStringLiteral("пропущена");
    case ConveyorStation::End::Stopped: return QStringLiteral("прервана");
    }
    return QString();
}

} // namespace

int cmdBatch(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("batch"), {{"--port", Option::Values, Required},
                                       {"--id-start"},
                                       {"--id-step"},
                                       {"--ids"},
                                       {"--count"},
                                       {"--name"},
                                       {"--backup", Option::Flag},
                                       {"--backup-dir"},
                                       {"--verify", Option::Flag}});
    if (!a.read(args, out, err))
        return a.exitCode();
    const QString file = a.file();
    if (a.has("--id-start") == a.has("--ids"))
        return a.refuse(a.has("--ids") ? QStringLiteral("--id-start и --ids вместе не указываются")
                                       : QStringLiteral("Не указан план Id: --id-start или --ids"),
                        err);
    if (a.has("--ids") && a.has("--id-step"))
        return a.refuse(QStringLiteral("--id-step указывается только с --id-start"), err);
    bool numeric = true;
    const int count = a.has("--count") ? a.value("--count").toInt(&numeric) : 0;
    if (!numeric || (a.has("--count") && count < 1))
        return a.refuse(QStringLiteral("--count: нужно целое число станций, не меньше 1: «%1»").arg(a.value("--count")), err);
    const int step = a.has("--id-step") ? a.value("--id-step").toInt(&numeric) : 1;
    if (!numeric || step < 1 || step > 0xFFFF)
        return a.refuse(QStringLiteral("--id-step: нужно целое число от 1 до 65535: «%1»").arg(a.value("--id-step")), err);
    const QString start = a.value("--id-start").toUpper();
    if (a.has("--id-start") && !idValue(start))
        return a.refuse(badIdMessage(a.value("--id-start")), err);
    QHash<QString, QString> listed;
    QString why;
    if (a.has("--ids") && !readIdList(a.value("--ids"), listed, why)) {
        err << why << Qt::endl;
        return ExitUsage;
    }
    QStringList devices;
    for (const QString &p : a.values("--port")) {
        const QString device = resolvePort(p);
        if (devices.contains(device))
            return a.refuse(QStringLiteral("Порт %1 указан дважды").arg(device), err);
        devices << device;
    }
    const QString name = a.has("--name") ? a.value("--name") : QFileInfo(file).completeBaseName();
    if (name.trimmed().isEmpty())
        return a.refuse(QStringLiteral("--name: у серии должно быть имя"), err);
    Editor ed;
    if (!loadEditor(ed, file, err))
        return ExitUsage;
    // The file itself must pass with some Id: a station is never written half-checked.
    const std::optional<StreamImage> base = checkedImage(ed, why);
    if (!base) {
        err << why << Qt::endl << QStringLiteral("Ничего не передано") << Qt::endl;
        return ExitFailed;
    }

    // The series' place in the bench's own journal database, whatever the journal sends on.
    const JournalPlace place = JournalSession::current() ? JournalSession::current()->journal().place()
                                                         : configuredJournalPlace();
    const QString ledgerPath = place.kind == JournalPlace::Kind::Sqlite ? place.path : localJournalPath();
    std::unique_ptr<BatchLedger> ledger;
    const QString plan = a.has("--ids") ? QStringLiteral("список %1").arg(QFileInfo(a.value("--ids")).fileName())
                                        : idPlanText(start, step);
    try {
        if (place.kind != JournalPlace::Kind::Sqlite || ledgerPath == localJournalPath())
            QDir().mkpath(QFileInfo(ledgerPath).absolutePath());
        ledger = std::make_unique<BatchLedger>(ledgerPath);
    } catch (const AppError &e) {
        err << e.message() << Qt::endl;
        return ExitUsage;
    }
    // Every Id the series may still need must exist before the first station is touched; a
    // series refused here is not begun.
    const int taken = ledger->placesTaken(name);
    if (count > 0) {
        const int done = ledger->stationsDone(name);
        const bool short_ = a.has("--ids") ? listed.size() - done < count
                                           : *idValue(start) + qint64(step) * (taken + count - 1) > 0xFFFF;
        if (short_) {
            err << QStringLiteral("Id серии «%1» не хватит на %2 станций (%3)").arg(name).arg(count).arg(plan) << Qt::endl;
            return ExitUsage;
        }
    }
    try {
        ledger->begin(name, plan);
    } catch (const AppError &e) {
        err << e.message() << Qt::endl;
        return ExitUsage;
    }
    const auto idAt = [&](const QString &serial) {
        return [&, serial](int at, QString &reason) -> std::optional<QString> {
            if (a.has("--ids")) {
                if (!listed.contains(serial))
                    reason = QStringLiteral("серийного номера %1 нет в %2").arg(serial, a.value("--ids"));
                return listed.contains(serial) ? std::optional<QString>(listed.value(serial)) : std::nullopt;
            }
            const qint64 value = *idValue(start) + qint64(step) * at;
            if (value > 0xFFFF) {
                reason = QStringLiteral("Id серии «%1» закончились").arg(name);
                return std::nullopt;
            }
            return idText(int(value));
        };
    };

    ConveyorSettings settings;
    settings.stations = count;
    settings.safeguards.backup = true;
    settings.safeguards.backupFolder = a.value("--backup-dir");
    settings.safeguards.verify = true;
    std::mutex printing;
    int worst = ExitOk;
    ConveyorHooks hooks;
    hooks.imageFor = [&](const QString &, const QString &serial, QString &id, QString &reason) -> std::optional<StreamImage> {
        const BatchLedger::Claim c = ledger->claim(name, serial, idAt(serial));
        id = c.id;
        if (c.id.isEmpty()) {
            reason = c.why;
            return std::nullopt;
        }
        if (c.done) {
            reason = QStringLiteral("Станция %1 уже получила Id %2 в серии «%3»: пропущена").arg(serial, c.id, name);
            return std::nullopt;
        }
        return checkedImage(withId(ed, c.id), reason);
    };
    hooks.done = [&](const ConveyorStation &s) {
        const SafeWriteResult &r = s.write;
        // A station that came after the last one the series wanted is no station of the series.
        if (s.end == ConveyorStation::End::PassedOver && s.id.isEmpty() && r.message == SeriesComplete)
            return;
        if (!s.serial.isEmpty() && !s.id.isEmpty() && s.end != ConveyorStation::End::PassedOver)
            (void)catchFailure([&] { ledger->finish(name, s.serial, s.end == ConveyorStation::End::Written); });
        const QString said = QStringLiteral("Серия «%1», Id %2: ").arg(name, s.id.isEmpty() ? QStringLiteral("-") : s.id);
        journalRecord([&] {
            QByteArray configFile;
            if (!s.id.isEmpty())
                configFile = settingsFileBytes(withId(ed, s.id));
            std::vector<JournalEntry> entries = safeWriteEntries(r, configFile, {s.device, s.duration});
            // A station passed over was only read: its backup is all there is to keep.
            if (s.end == ConveyorStation::End::PassedOver)
                std::erase_if(entries, [](const JournalEntry &e) { return e.operation != JournalOp::Backup; });
            for (JournalEntry &e : entries)
                e.message = said + e.message;
            return entries;
        });
        const std::lock_guard lock(printing);
        out << s.device << ' ' << (s.serial.isEmpty() ? QStringLiteral("-") : s.serial) << ' '
            << (s.id.isEmpty() ? QStringLiteral("-") : s.id) << ' ' << outcomeWord(s.end) << ' '
            << s.finished.toString(QStringLiteral("HH:mm:ss")) << Qt::endl;
        if (!r.backupPath.isEmpty())
            err << s.device << QStringLiteral(": резервная копия ") << r.backupPath << Qt::endl;
        if (s.end == ConveyorStation::End::Written) {
            err << QStringLiteral("Готово: станция %1, Id %2 — отключите станцию").arg(s.serial, s.id) << Qt::endl;
            return;
        }
        if (!r.message.isEmpty())
            err << s.device << QStringLiteral(": ") << r.message.simplified() << Qt::endl;
        for (const QString &d : r.differences)
            err << s.device << QStringLiteral(": ") << d << Qt::endl;
        if (const QString hint = r.restoreHint(); !hint.isEmpty())
            err << s.device << QStringLiteral(": ") << hint << Qt::endl;
        if (s.end != ConveyorStation::End::PassedOver)
            worst = std::max(worst, int(ExitFailed));
    };
    hooks.said = [&](const QString &device, const QString &text) {
        const std::lock_guard lock(printing);
        err << device << QStringLiteral(": ") << text << Qt::endl;
    };
    const Interruption interruption;
    err << QStringLiteral("Серия «%1» (%2): готово станций %3").arg(name, plan).arg(ledger->stationsDone(name)) << Qt::endl;
    runConveyors(devices, *base, settings, hooks, interruption.flag());
    return interruption.exitCode(worst);
}

} // namespace tolvin::cli
