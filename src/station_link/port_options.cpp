// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/port_options.h"

#include "common/file_io.h"
#include "settings_file/ini_accessor.h"

#include <QDir>
#include <QStandardPaths>

namespace tolvin {

namespace {
const QString Section = QStringLiteral("All");
}

QString optionsFilePath() {
    return configFolder() + QStringLiteral("/T702Options.ini");
}

PortOptions readPortOptions(const QString &path) {
    IniAccessor ini(path);
    PortOptions o;
    o.Port = ini.ReadNumber(Section, QStringLiteral("Port"), 2);
    o.com1 = ini.ReadText(Section, QStringLiteral("COM1"), o.com1).trimmed();
    o.com2 = ini.ReadText(Section, QStringLiteral("COM2"), o.com2).trimmed();
    if (o.com1.isEmpty())
        o.com1 = PortOptions{}.com1;
    if (o.com2.isEmpty())
        o.com2 = PortOptions{}.com2;
    return o;
}

QString devicePath(const PortOptions &options, int port, const QString &optionsPath) {
    if (port == 1)
        return options.com1;
    if (port == 2)
        return options.com2;
    if (!optionsPath.isEmpty()) {
        const QString named = IniAccessor(optionsPath).ReadText(Section, QStringLiteral("COM%1").arg(port), QString()).trimmed();
        if (!named.isEmpty())
            return named;
    }
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
}

} // namespace tolvin
