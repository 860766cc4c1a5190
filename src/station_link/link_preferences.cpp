// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/link_preferences.h"

#include "common/errors.h"
#include "settings_file/ini_accessor.h"
#include "station_link/port_options.h"

#include <QDir>
#include <QFileInfo>

namespace tolvin {

namespace {
const QString Section = QStringLiteral("Link");
const QString BackupKey = QStringLiteral("BackupBeforeWrite");
const QString VerifyKey = QStringLiteral("VerifyAfterWrite");
} // namespace

QString preferencesFilePath() {
    return configFolder() + QStringLiteral("/tolvin.ini");
}

LinkPreferences readLinkPreferences(const QString &path) {
    IniAccessor ini(path);
    LinkPreferences p;
    p.backupBeforeWrite = ini.ReadNumber(Section, BackupKey, 1) != 0;
    p.verifyAfterWrite = ini.ReadNumber(Section, VerifyKey, 1) != 0;
    return p;
}

QString readPickedDevice(const QString &path, int port) {
    return IniAccessor(path).ReadText(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(port), QString()).trimmed();
}

void savePickedDevice(const QString &path, int port, const QString &device) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw IoError(QStringLiteral("Не удалось создать папку настроек %1").arg(folder));
    IniAccessor(path).WriteText(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(port), device);
}

void saveLinkPreferences(const QString &path, const LinkPreferences &preferences) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw IoError(QStringLiteral("Не удалось создать папку настроек %1").arg(folder));
    IniAccessor ini(path);
    ini.WriteNumber(Section, BackupKey, preferences.backupBeforeWrite ? 1 : 0);
    ini.WriteNumber(Section, VerifyKey, preferences.verifyAfterWrite ? 1 : 0);
}

QString portDevice(const PortOptions &options, int port, const QString &optionsPath, const QString &preferencesPath) {
    if (port == 1 || port == 2) {
        const QString picked = readPickedDevice(preferencesPath, port);
        if (!picked.isEmpty())
            return picked;
    }
    return devicePath(options, port, optionsPath);
}

} // namespace tolvin
