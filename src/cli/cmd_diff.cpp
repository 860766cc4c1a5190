// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli diff FILE --port P: what the station holds other than the settings file, field by
// field, without writing a byte of programming; tolvin-cli diff FILE FILE2: the same between two
// settings files, FILE2 where the station would be.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/journal_session.h"
#include "cli/link_common.h"

#include "journal/exchange_entries.h"
#include "station_link/configuration_compare.h"
#include "station_link/link_port.h"
#include "station_link/safeguards.h"
#include "table/editor.h"

#include <QElapsedTimer>

namespace tolvin::cli {
namespace {

int diffWithStation(const QString &file, const QString &port, QTextStream &out, QTextStream &err) {
    Editor ed;
    if (!loadEditor(ed, file, err))
        return ExitUsage;
    // A file that does not pass has no image to compare, which is neither agreement nor a difference.
    QString why;
    const std::optional<StreamImage> configured = checkedImage(ed, why);
    if (!configured) {
        err << why << Qt::endl << QStringLiteral("Сравнение невозможно: файл не проходит контроль") << Qt::endl;
        return ExitUsage;
    }
    ProgressPrinter progress(err);
    const Interruption interruption;
    const std::unique_ptr<SerialPort> serial = makeDevicePort(interruption.flag());
    const QString device = resolvePort(port);
    QElapsedTimer clock;
    clock.start();
    const ComparisonResult r =
        compareWithStation(*serial, device, progress, *configured, ed.state.bandSettings, interruption.flag());
    journalRecordOne([&] { return diffEntry(r, {device, std::chrono::milliseconds(clock.elapsed())}); });
    if (!r.ok()) {
        err << r.exchange.message << Qt::endl;
        return interruption.exitCode(exitFor(r.exchange));
    }
    if (!r.dataWarning.isEmpty())
        err << r.dataWarning << Qt::endl;
    if (r.differences.isEmpty()) {
        out << QStringLiteral("Станция совпадает с конфигурацией") << Qt::endl;
        return interruption.exitCode(ExitOk);
    }
    for (const QString &d : r.differences)
        out << d << Qt::endl;
    return interruption.exitCode(ExitFailed);
}

int diffFiles(const QString &first, const QString &second, QTextStream &out, QTextStream &err) {
    Editor a, b;
    if (!loadEditor(a, first, err) || !loadEditor(b, second, err))
        return ExitUsage;
    const ConfigurationComparison c = compareConfigurations(a, b, second);
    if (!c.compared()) {
        err << c.message << Qt::endl
            << QStringLiteral("Сравнение невозможно: файл %1 не проходит контроль").arg(c.unchecked == 1 ? first : second)
            << Qt::endl;
        return ExitUsage;
    }
    if (c.differences.isEmpty()) {
        out << QStringLiteral("Файлы совпадают") << Qt::endl;
        return ExitOk;
    }
    for (const QString &d : c.differences)
        out << d << Qt::endl;
    return ExitFailed;
}

} // namespace

int cmdDiff(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("diff"), {{"--port"}}, 1, 2);
    if (!a.read(args, out, err))
        return a.exitCode();
    if (a.arguments().size() == 2 && !a.has("--port"))
        return diffFiles(a.arguments().at(0), a.arguments().at(1), out, err);
    // One file, or a port: the station's form, whose complaints name what it lacks.
    Arguments station(commandHelp("diff"), {{"--port", Option::Value, Required}});
    if (!station.read(args, out, err))
        return station.exitCode();
    return diffWithStation(station.file(), station.value("--port"), out, err);
}

} // namespace tolvin::cli
