// tolvin-cli ports: the serial devices a station can be on, as the link window's port list shows them.
#include "cli/commands.h"

#include "station_link/port_finder.h"

namespace tolvin::cli {

int cmdPorts(const QStringList &args, QTextStream &out, QTextStream &err) {
    const QString usage = QStringLiteral("Использование: tolvin-cli ports");
    for (const QString &a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << usage << Qt::endl;
            return ExitOk;
        }
        err << QStringLiteral("Лишний аргумент: ") << a << Qt::endl << usage << Qt::endl;
        return ExitUsage;
    }
    const QList<SerialDevice> devices = findSerialDevices();
    if (devices.isEmpty())
        err << QStringLiteral("Последовательные порты не найдены") << Qt::endl;
    for (const SerialDevice &d : devices)
        out << deviceLine(d) << Qt::endl;
    return ExitOk;
}

} // namespace tolvin::cli
