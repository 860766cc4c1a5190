// tolvin-cli write, read and type: the link window's three exchanges over a serial device.
#include "cli/commands.h"

#include "settings_file/settings_file.h"
#include "station_link/exchanges.h"
#include "station_link/port_options.h"
#include "station_link/posix_serial_port.h"
#include "station_link/read_into_editor.h"
#include "table/bands.h"
#include "table/editor.h"

#include "common/errors.h"

namespace tolvin::cli {

namespace {

// Progress for the person at the terminal, on standard error, one line per change.
class ProgressPrinter : public LinkObserver {
public:
    explicit ProgressPrinter(QTextStream &err) : m_err(err) {}
    void status(const QString &text) override {
        if (text != m_status) {
            m_status = text;
            m_err << QStringLiteral("Состояние: ") << text << Qt::endl;
        }
    }
    void gauge(int percent) override {
        if (percent != m_gauge) {
            m_gauge = percent;
            m_err << percent << '%' << Qt::endl;
        }
    }
    void buttonsEnabled(bool) override {}

private:
    QTextStream &m_err;
    QString m_status;
    int m_gauge = -1;
};

// "--port P": a device path, or a COM number through the options file.
QString resolvePort(const QString &p) {
    bool number = false;
    const int n = p.toInt(&number);
    if (number && n > 0) {
        const QString options = optionsFilePath();
        return devicePath(readPortOptions(options), n, options);
    }
    return p;
}

int exitFor(const ExchangeResult &r) {
    if (r.ok())
        return ExitOk;
    return r.portError ? ExitUsage : ExitFailed;
}

} // namespace

int cmdWrite(const QStringList &args, QTextStream &out, QTextStream &err) {
    const QString usage = QStringLiteral("tolvin-cli write ФАЙЛ --port ПОРТ");
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
    QString message;
    if (!runCheckCommand(ed, message)) {
        err << message << Qt::endl << QStringLiteral("Ничего не передано") << Qt::endl;
        return ExitFailed;
    }
    const StreamImage image{ed.state.image, ed.state.ModuleType, ed.state.StationType};
    PosixSerialPort port;
    ProgressPrinter progress(err);
    const ExchangeResult r = writeToStation(port, resolvePort(values.value(QStringLiteral("--port"))), progress, image);
    if (!r.ok()) {
        err << r.message << Qt::endl;
        return exitFor(r);
    }
    out << QStringLiteral("Записано в станцию: %1 байт").arg(r.byteCount) << Qt::endl;
    return ExitOk;
}

int cmdRead(const QStringList &args, QTextStream &out, QTextStream &err) {
    const QString usage = QStringLiteral("tolvin-cli read --port ПОРТ -o ФАЙЛ");
    QMap<QString, QString> values;
    QStringList rest;
    if (!takeValueOptions(args, {QStringLiteral("--port"), QStringLiteral("-o")}, values, rest, usage, err))
        return ExitUsage;
    for (const QString &a : rest) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << QStringLiteral("Использование: ") << usage << Qt::endl;
            return ExitOk;
        }
        err << QStringLiteral("Лишний аргумент: ") << a << Qt::endl << QStringLiteral("Использование: ") << usage << Qt::endl;
        return ExitUsage;
    }
    if (!requireOptions(values, {QStringLiteral("--port"), QStringLiteral("-o")}, usage, err))
        return ExitUsage;
    PosixSerialPort port;
    ProgressPrinter progress(err);
    const ExchangeResult r = readFromStation(port, resolvePort(values.value(QStringLiteral("--port"))), progress);
    if (!r.ok()) {
        err << r.message << Qt::endl << QStringLiteral("Файл не записан") << Qt::endl;
        return exitFor(r);
    }
    // The editor a fresh window would have, after the read: "Запись в файл" saves exactly this.
    Editor ed;
    applyCompleteRead(ed, r.stream);
    try {
        saveSettingsFile(ed, values.value(QStringLiteral("-o")));
    } catch (const AppError &e) {
        err << e.message() << Qt::endl;
        return ExitUsage;
    }
    out << QStringLiteral("Прочитано каналов: %1").arg(ed.table.channelCount()) << Qt::endl;
    return ExitOk;
}

int cmdType(const QStringList &args, QTextStream &out, QTextStream &err) {
    const QString usage = QStringLiteral("tolvin-cli type --port ПОРТ");
    QMap<QString, QString> values;
    QStringList rest;
    if (!takeValueOptions(args, {QStringLiteral("--port")}, values, rest, usage, err))
        return ExitUsage;
    for (const QString &a : rest) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << QStringLiteral("Использование: ") << usage << Qt::endl;
            return ExitOk;
        }
        err << QStringLiteral("Лишний аргумент: ") << a << Qt::endl << QStringLiteral("Использование: ") << usage << Qt::endl;
        return ExitUsage;
    }
    if (!requireOptions(values, {QStringLiteral("--port")}, usage, err))
        return ExitUsage;
    PosixSerialPort port;
    ProgressPrinter progress(err);
    const ExchangeResult r = queryStationType(port, resolvePort(values.value(QStringLiteral("--port"))), progress);
    if (!r.ok()) {
        err << r.message << Qt::endl;
        return exitFor(r);
    }
    const int band = bandForStationType(r.typeCode);
    if (band == 0) {
        out << QStringLiteral("Тип станции определить не удалось") << Qt::endl;
        return ExitFailed;
    }
    out << r.typeCode << ' ' << QString::fromUtf16(bandRow(band).title) << Qt::endl;
    return ExitOk;
}

} // namespace tolvin::cli
