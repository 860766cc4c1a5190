// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/port_finder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace tolvin {

namespace {

QString readSys(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.read(256)).trimmed();
}

// The USB device above a tty in sysfs holds its maker and product names.
QString describe(const QString &sysRoot, const QString &name) {
    QString dir = QFileInfo(sysRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/device")).canonicalFilePath();
    for (int depth = 0; depth < 6 && !dir.isEmpty() && dir != sysRoot; ++depth) {
        if (QFileInfo::exists(dir + QStringLiteral("/idVendor"))) {
            const QString maker = readSys(dir + QStringLiteral("/manufacturer"));
            const QString product = readSys(dir + QStringLiteral("/product"));
            QString d = (maker + QLatin1Char(' ') + product).trimmed();
            if (d.isEmpty())
                d = readSys(dir + QStringLiteral("/idVendor")) + QLatin1Char(':') + readSys(dir + QStringLiteral("/idProduct"));
            return d;
        }
        dir = QFileInfo(dir).path();
    }
    return {};
}

QString driverOf(const QString &sysRoot, const QString &name) {
    // Newer kernels put a built-in UART behind two devices of their own serial core ("port" and
    // "ctrl" on the serial-base bus); the driver a technician knows is the one above them.
    QString device = sysRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/device");
    for (int up = 0; up < 4; ++up, device += QStringLiteral("/..")) {
        const QString driver = QFileInfo(device + QStringLiteral("/driver")).canonicalFilePath();
        if (driver.isEmpty())
            return QString();
        if (!driver.contains(QStringLiteral("/bus/serial-base/")))
            return QFileInfo(driver).fileName();
    }
    return QString();
}

std::optional<int> latencyOf(const QString &sysRoot, const QString &name) {
    bool ok = false;
    const int ms = readSys(sysRoot + QStringLiteral("/bus/usb-serial/devices/") + name + QStringLiteral("/latency_timer")).toInt(&ok);
    return ok ? std::optional<int>(ms) : std::nullopt;
}

SerialDevice device(const QString &path, const QString &sysRoot, const QString &name) {
    return SerialDevice{path, name, describe(sysRoot, name), driverOf(sysRoot, name), latencyOf(sysRoot, name)};
}

// A ttyS node exists for every possible UART; only those with hardware have a type.
bool hasUart(const QString &sysRoot, const QString &name) {
    const QString type = readSys(sysRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/type"));
    return !type.isEmpty() && type != QLatin1String("0");
}

} // namespace

QList<SerialDevice> findSerialDevices(const QString &devRoot, const QString &sysRoot) {
    QList<SerialDevice> out;
    QSet<QString> seen; // kernel names already listed under a stable name
    const QDir byId(devRoot + QStringLiteral("/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = QFileInfo(link.symLinkTarget()).fileName();
        if (target.isEmpty())
            continue;
        out << device(link.absoluteFilePath(), sysRoot, target);
        seen.insert(target);
    }
    const QDir dev(devRoot);
    for (const char *pattern : {"ttyUSB*", "ttyACM*", "ttyS*"}) {
        // Devices the user may not open yet are listed too: opening one says how to get access.
        QStringList names = dev.entryList({QLatin1String(pattern)}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        // ttyS10 after ttyS9.
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (const QString &name : names) {
            if (seen.contains(name))
                continue;
            if (name.startsWith(QLatin1String("ttyS")) && !hasUart(sysRoot, name))
                continue;
            out << device(dev.filePath(name), sysRoot, name);
        }
    }
    return out;
}

QString deviceLine(const SerialDevice &d) {
    QStringList known;
    if (!d.description.isEmpty())
        known << d.description;
    if (!d.driver.isEmpty())
        known << d.driver;
    if (d.latencyTimerMs)
        known << QStringLiteral("задержка %1 мс").arg(*d.latencyTimerMs);
    return known.isEmpty() ? d.path : d.path + QStringLiteral("  (") + known.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString latencyAdvice(const SerialDevice &d) {
    if (!d.latencyTimerMs || *d.latencyTimerMs <= MaxGoodLatencyMs)
        return {};
    const QString driver = d.driver.isEmpty() ? QStringLiteral("ftdi_sio") : d.driver;
    return QStringLiteral("%1 задерживает ответы станции до %2 мс, и запись идет медленнее. Чтобы задержка была 1 мс "
                          "всегда, добавьте в /etc/udev/rules.d/99-tolvin-serial.rules строку "
                          "ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"%3\", ATTR{latency_timer}=\"1\" "
                          "и подключите адаптер заново")
        .arg(d.kernelName)
        .arg(*d.latencyTimerMs)
        .arg(driver);
}

} // namespace tolvin
