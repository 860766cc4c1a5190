// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli ports: the serial devices a station can be on, as the link window's port list shows them.
#include "cli/arguments.h"
#include "cli/commands.h"

#include "station_link/port_finder.h"

namespace tolvin::cli {

int cmdPorts(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("ports"), {}, 0, 0);
    if (!a.read(args, out, err))
        return a.exitCode();
    const QList<SerialDevice> devices = findSerialDevices();
    if (devices.isEmpty())
        err << QStringLiteral("Последовательные порты не найдены") << Qt::endl;
    for (const SerialDevice &d : devices) {
        out << deviceLine(d) << Qt::endl;
        if (const QString advice = latencyAdvice(d); !advice.isEmpty())
            err << advice << Qt::endl;
    }
    return ExitOk;
}

} // namespace tolvin::cli
