// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli diff FILE --port P: what the station holds other than the settings file, field by
// field, without writing a byte of programming.
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/journal_session.h"
#include "cli/link_common.h"

#include "check/data_check.h"
#include "common/errors.h"
#include "journal/exchange_entries.h"
#include "station_link/link_port.h"
#include "station_link/safeguards.h"
#include "table/editor.h"

#include <QElapsedTimer>

namespace tolvin::cli {

int cmdDiff(const QStringList &args, QTextStream &out, QTextStream &err) {
    const QString usage = QStringLiteral("tolvin-cli diff ФАЙЛ --port ПОРТ");
    QMap<QString, QString> values;
    QStringList rest;
    if (!takeValueOptions(args, {QStringLiteral("--port")}, values, rest, usage, err))
        return ExitUsage;
    QString file;
    int code = ExitOk;
    if (!takeFileArgument(rest, usage, file, code, out, err))
        return code;
    if (!requireOptions(values, {QStringLiteral("--port")}, usage, err))
        return ExitUsage;
    Editor ed;
    if (!loadEditor(ed, file, err))
        return ExitUsage;
    // The image the check would build, without the check's side effects: a file that does not
    // pass has no image to compare, which is neither agreement nor a difference.
    DataCheckResult checked;
    try {
        checked = checkData(ed);
    } catch (const AppError &e) {
        checked.message = e.message();
    }
    if (!checked.passed) {
        err << checked.message << Qt::endl
            << QStringLiteral("Сравнение невозможно: файл не проходит контроль") << Qt::endl;
        return ExitUsage;
    }
    const StreamImage configured{checked.image, checked.ModuleType, ed.state.StationType};
    ProgressPrinter progress(err);
    const Interruption interruption;
    const std::unique_ptr<SerialPort> port = makeDevicePort(interruption.flag());
    const QString device = resolvePort(values.value(QStringLiteral("--port")));
    QElapsedTimer clock;
    clock.start();
    const ComparisonResult r =
        compareWithStation(*port, device, progress, configured, ed.state.bandSettings, interruption.flag());
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

} // namespace tolvin::cli
