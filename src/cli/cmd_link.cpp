// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli write, read and type: the link window's three exchanges over a serial device; a
// write to several devices at once, with a backup before and a check after.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/journal_session.h"
#include "cli/link_common.h"

#include "settings_file/settings_file.h"
#include "station_link/exchanges.h"
#include "station_link/exchange_log.h"
#include "common/file_io.h"
#include "station_link/fleet_write.h"
#include "station_link/port_options.h"
#include "station_link/link_port.h"
#include "station_link/read_data_check.h"
#include "station_link/read_into_editor.h"
#include "table/bands.h"
#include "table/editor.h"

#include "common/errors.h"
#include "journal/exchange_entries.h"

#include <QElapsedTimer>
#include <algorithm>
#include <map>

namespace tolvin::cli {

namespace {

int exitFor(const SafeWriteResult &r) {
    if (r.ok())
        return ExitOk;
    return r.portError() || r.fileError ? ExitUsage : ExitFailed;
}

// "--log FILE" gets the exchange's bytes whatever its result (a failed exchange is when the log
// is wanted most); a log that cannot be written makes the command fail with ExitUsage.
int writeLog(const QString &logPath, const ExchangeLog &log, int code, QTextStream &err) {
    if (logPath.isEmpty())
        return code;
    if (const std::optional<Failure> f = catchFailure([&] { writeFileAtomically(logPath, log.text().toUtf8()); })) {
        err << f->message << Qt::endl;
        code = std::max(code, int(ExitUsage));
    }
    return code;
}

// A fleet keeps one log per port: "--log FILE" with the device appended, "FILE.ttyUSB0".
QString fleetLogPath(const QString &logPath, const QString &device) {
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return logPath + QLatin1Char('.') + name;
}

// What one exchange of the command runs over: the serial port with every byte logged, the
// progress lines on `err`, and Ctrl+C or a kill turned into a stop at the next byte.
struct LoggedLink {
    LoggedLink(QString logPath, QTextStream &err) : logPath(std::move(logPath)), progress(err) { clock.start(); }
    QElapsedTimer clock;
    std::shared_ptr<ExchangeLog> log = std::make_shared<ExchangeLog>();
    QString logPath;
    ProgressPrinter progress;
    Interruption interruption;
    // A send stuck on a full output queue gives up at Ctrl+C too.
    std::unique_ptr<SerialPort> port = makeDevicePort(interruption.flag(), log);

    ExchangeContext context(const QString &device) const {
        return {device, std::chrono::milliseconds(clock.elapsed())};
    }

    int finish(int code, QTextStream &err) const {
        return interruption.exitCode(writeLog(logPath, *log, code, err));
    }
};

// "--log FILE" must not be the file the command reads or writes: the log would replace it.
bool logPathAllowed(const QString &logPath, const QStringList &files, QTextStream &err) {
    if (logPath.isEmpty())
        return true;
    for (const QString &f : files) {
        if (!f.isEmpty() && sameFile(logPath, f)) {
            err << QStringLiteral("Журнал обмена (--log) не может быть записан в файл %1: этот файл команда читает "
                                  "или записывает")
                       .arg(f)
                << Qt::endl;
            return false;
        }
    }
    return true;
}

int writeOne(const QString &device, const StreamImage &image, const WriteSafeguards &safeguards, const QString &logPath,
             const QByteArray &configFile, QTextStream &out, QTextStream &err) {
    LoggedLink link(logPath, err);
    const SafeWriteResult r =
        writeWithSafeguards(*link.port, device, link.progress, image, safeguards, link.interruption.flag());
    journalRecord([&] { return safeWriteEntries(r, configFile, link.context(device)); });
    if (!r.backupPath.isEmpty())
        out << r.backupLine() << Qt::endl;
    if (!r.ok()) {
        err << r.message << Qt::endl;
        for (const QString &d : r.differences)
            err << d << Qt::endl;
        // A station written part-way is what the backup is for.
        if (!r.restoreHint().isEmpty())
            err << r.restoreHint() << Qt::endl;
        return link.finish(exitFor(r), err);
    }
    out << QStringLiteral("Записано в станцию: %1 байт").arg(r.writtenBytes) << Qt::endl;
    // With the progress on standard error: standard output keeps its lines for scripts.
    err << paceLine(r.writePace) << Qt::endl;
    if (const QString advice = delayedRepliesAdvice(r.writePace); !advice.isEmpty())
        err << advice << Qt::endl;
    if (safeguards.verify)
        out << QStringLiteral("Проверено: станция хранит записанное") << Qt::endl;
    return link.finish(ExitOk, err);
}

// One line per port on standard output, "DEVICE SERIAL ok" or "DEVICE SERIAL what failed",
// with "-" for a serial number no read brought; the details on standard error.
int writeFleetOf(const QStringList &devices, const StreamImage &image, const WriteSafeguards &safeguards,
                 const QString &logPath, const QByteArray &configFile, QTextStream &out, QTextStream &err) {
    const Interruption interruption;
    std::map<QString, std::shared_ptr<ExchangeLog>> logs;
    if (!logPath.isEmpty())
        for (const QString &d : devices)
            logs[d] = std::make_shared<ExchangeLog>();
    const std::vector<FleetPortResult> results = writeFleet(
        devices, image, safeguards,
        [&err](const QString &device) { return std::make_unique<ProgressPrinter>(err, device); }, interruption.flag(),
        devicePorts([&logs](const QString &device) {
            const auto it = logs.find(device);
            return it == logs.end() ? nullptr : it->second;
        }),
        // Each port's entries go to the journal as soon as its job ends, on its own thread.
        [&](const FleetPortResult &p) {
            journalRecord([&] { return safeWriteEntries(p.result, configFile, {p.device, p.duration}); });
        });
    int code = ExitOk;
    for (const FleetPortResult &p : results) {
        const SafeWriteResult &r = p.result;
        if (!r.backupPath.isEmpty())
            for (QString line : r.backupLine().split(QLatin1Char('\n'))) {
                line[0] = line[0].toLower();
                err << p.device << QStringLiteral(": ") << line << Qt::endl;
            }
        for (const QString &d : r.differences)
            err << p.device << QStringLiteral(": ") << d << Qt::endl;
        if (const QString hint = r.restoreHint(); !hint.isEmpty())
            err << p.device << QStringLiteral(": ") << hint << Qt::endl;
        const QString serial = r.serial.isEmpty() ? QStringLiteral("-") : r.serial;
        QString what = r.ok() ? QStringLiteral("ok") : r.message.simplified();
        if (what.isEmpty())
            what = QStringLiteral("ошибка");
        out << p.device << ' ' << serial << ' ' << what << Qt::endl;
        code = std::max(code, exitFor(r));
    }
    for (const auto &[device, log] : logs)
        code = writeLog(fleetLogPath(logPath, device), *log, code, err);
    return interruption.exitCode(code);
}

} // namespace

int cmdWrite(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("write"), {{"--port", Option::Values, Required},
                                       {"--backup", Option::Flag},
                                       {"--backup-dir"},
                                       {"--verify", Option::Flag},
                                       {"--ignore-type", Option::Flag},
                                       {"--log"}});
    if (!a.read(args, out, err))
        return a.exitCode();
    WriteSafeguards safeguards;
    safeguards.backup = a.has("--backup") || a.has("--backup-dir");
    safeguards.backupFolder = a.value("--backup-dir");
    safeguards.verify = a.has("--verify");
    safeguards.checkType = !a.has("--ignore-type");
    const QString file = a.file();
    QStringList devices;
    for (const QString &p : a.values("--port")) {
        const QString device = resolvePort(p);
        // Two exchanges on one device would only fight over it.
        if (devices.contains(device)) {
            err << QStringLiteral("Порт %1 указан дважды").arg(device) << Qt::endl;
            return ExitUsage;
        }
        devices << device;
    }
    const QString logPath = a.value("--log");
    if (devices.size() == 1 && !logPathAllowed(logPath, {file}, err))
        return ExitUsage;
    for (const QString &d : devices)
        if (devices.size() > 1 && !logPathAllowed(logPath.isEmpty() ? logPath : fleetLogPath(logPath, d), {file}, err))
            return ExitUsage;
    Editor ed;
    if (!loadEditor(ed, file, err))
        return ExitUsage;
    QString message;
    if (!runCheckCommand(ed, message)) {
        err << message << Qt::endl << QStringLiteral("Ничего не передано") << Qt::endl;
        return ExitFailed;
    }
    const StreamImage image{ed.state.image, ed.state.ModuleType, ed.state.StationType};
    // What the journal keeps of the write: the file as "Запись в файл" would save it. A table
    // that cannot be put into a file is still written, and journaled without one.
    QByteArray configFile;
    (void)catchFailure([&] { configFile = settingsFileBytes(ed); });
    if (devices.size() == 1)
        return writeOne(devices.first(), image, safeguards, logPath, configFile, out, err);
    return writeFleetOf(devices, image, safeguards, logPath, configFile, out, err);
}

int cmdRead(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("read"), {{"--port", Option::Value, Required}, {"-o", Option::Value, Required}, {"--log"}}, 0, 0);
    if (!a.read(args, out, err))
        return a.exitCode();
    if (!logPathAllowed(a.value("--log"), {a.value("-o")}, err))
        return ExitUsage;
    LoggedLink link(a.value("--log"), err);
    const QString device = resolvePort(a.value("--port"));
    const ExchangeResult r = readFromStation(*link.port, device, link.progress, link.interruption.flag());
    journalRecordOne([&] { return readEntry(r, link.context(device)); });
    if (!r.ok()) {
        err << r.message << Qt::endl << QStringLiteral("Файл не записан") << Qt::endl;
        return link.finish(exitFor(r), err);
    }
    // The editor a fresh window would have, after the read: "Запись в файл" saves exactly this.
    Editor ed;
    applyCompleteRead(ed, r.stream);
    try {
        saveSettingsFile(ed, a.value("-o"));
    } catch (const AppError &e) {
        err << e.message() << Qt::endl;
        return link.finish(ExitUsage, err);
    }
    out << QStringLiteral("Прочитано каналов: %1").arg(ed.table.channelCount()) << Qt::endl;
    err << paceLine(r.pace) << Qt::endl;
    // Kept all the same: it is what the station holds, noise or not. Advice is no failure.
    const ReadDataFindings found = readDataFindings(r.stream);
    if (!found.clean())
        err << found.text() << Qt::endl;
    if (!found.warning.isEmpty())
        return link.finish(ExitFailed, err);
    return link.finish(ExitOk, err);
}

int cmdType(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("type"), {{"--port", Option::Value, Required}, {"--log"}}, 0, 0);
    if (!a.read(args, out, err))
        return a.exitCode();
    LoggedLink link(a.value("--log"), err);
    const QString device = resolvePort(a.value("--port"));
    const ExchangeResult r = queryStationType(*link.port, device, link.progress, link.interruption.flag());
    journalRecordOne([&] { return typeEntry(r, link.context(device)); });
    if (!r.ok()) {
        err << r.message << Qt::endl;
        return link.finish(exitFor(r), err);
    }
    const int band = bandForStationType(r.typeCode);
    if (band == 0) {
        out << QStringLiteral("Тип станции определить не удалось") << Qt::endl;
        return link.finish(ExitFailed, err);
    }
    out << r.typeCode << ' ' << QString::fromUtf16(bandRow(band).title) << Qt::endl;
    return link.finish(ExitOk, err);
}

} // namespace tolvin::cli
