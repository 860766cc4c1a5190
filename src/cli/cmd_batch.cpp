// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli batch: a series of stations through one port or several, each with its own Id,
// journaled and resumable by the series' name.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/journal_session.h"
#include "cli/link_common.h"

#include "common/errors.h"
#include "journal/batch_series.h"
#include "journal/journal_place.h"
#include "station_link/configuration_compare.h"

#include <QDir>
#include <QFileInfo>
#include <mutex>

namespace tolvin::cli {

namespace {

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

// The series' place: the bench's own journal database, whatever the journal sends on to.
QString ledgerPath() {
    const JournalPlace place = JournalSession::current() ? JournalSession::current()->journal().place()
                                                         : configuredJournalPlace();
    if (place.kind == JournalPlace::Kind::Sqlite && place.path != localJournalPath())
        return place.path;
    QDir().mkpath(QFileInfo(localJournalPath()).absolutePath());
    return localJournalPath();
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
    IdPlan plan;
    plan.step = a.has("--id-step") ? a.value("--id-step").toInt(&numeric) : 1;
    if (!numeric || plan.step < 1 || plan.step > 0xFFFF)
        return a.refuse(QStringLiteral("--id-step: нужно целое число от 1 до 65535: «%1»").arg(a.value("--id-step")), err);
    plan.start = a.value("--id-start").toUpper();
    if (a.has("--id-start") && !idValue(plan.start))
        return a.refuse(badIdMessage(a.value("--id-start")), err);
    QString why;
    plan.listFile = a.value("--ids");
    if (plan.byList() && !readIdList(plan, why)) {
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
    // The file itself must pass: a station is never written half-checked.
    const std::optional<StreamImage> base = checkedImage(ed, why);
    if (!base) {
        err << why << Qt::endl << QStringLiteral("Ничего не передано") << Qt::endl;
        return ExitFailed;
    }
    std::unique_ptr<Series> series;
    try {
        series = std::make_unique<Series>(ed, plan, name, ledgerPath());
        // Every Id the series may still need must exist before the first station is touched;
        // a series refused here is not begun.
        if (const QString shortfall = series->shortfall(count); !shortfall.isEmpty()) {
            err << shortfall << Qt::endl;
            return ExitUsage;
        }
        series->begin();
    } catch (const AppError &e) {
        err << e.message() << Qt::endl;
        return ExitUsage;
    }

    ConveyorSettings settings;
    settings.stations = count;
    settings.safeguards.backup = true;
    settings.safeguards.backupFolder = a.value("--backup-dir");
    settings.safeguards.verify = true;
    std::mutex printing;
    int worst = ExitOk;
    ConveyorHooks hooks;
    hooks.imageFor = [&](const QString &, const QString &serial, QString &id, QString &reason) {
        return series->imageFor(serial, id, reason);
    };
    hooks.done = [&](const ConveyorStation &s) {
        const SafeWriteResult &r = s.write;
        // A station that came after the last one the series wanted is no station of the series.
        if (s.end == ConveyorStation::End::PassedOver && s.id.isEmpty() && r.message == seriesCompleteText())
            return;
        journalRecord([&] { return series->finished(s); });
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
    err << QStringLiteral("Серия «%1» (%2): готово станций %3").arg(name, plan.text()).arg(series->stationsDone()) << Qt::endl;
    runConveyors(devices, *base, settings, hooks, interruption.flag());
    return interruption.exitCode(worst);
}

} // namespace tolvin::cli
