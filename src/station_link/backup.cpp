#include "station_link/backup.h"

#include "common/errors.h"
#include "settings_file/settings_file.h"
#include "station_link/read_into_editor.h"
#include "station_link/station_readout.h"
#include "table/editor.h"

#include <QDir>
#include <QFileInfo>
#include <mutex>

namespace tolvin {

QString backupFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative XDG path is invalid by the base directory rules and is ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/tolvin/backups");
}

QString backupFileName(const QString &serial, const QDateTime &when) {
    return serial + QLatin1Char('_') + when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral(".ini");
}

QString saveBackup(const QByteArray &readStream, const QString &folder, const QDateTime &when) {
    // The editor a fresh window has after the read: "Запись в файл" would save exactly this.
    Editor ed;
    applyCompleteRead(ed, readStream);
    const QString serial = streamSerial(readStream);

    // A fleet backs up its stations on several threads at once, often in the same second and,
    // with stations fresh from the factory, under the same serial number.
    static std::mutex naming;
    const std::lock_guard<std::mutex> lock(naming);
    if (!QDir().mkpath(folder))
        throw IoError(QStringLiteral("Не удалось создать папку резервных копий %1").arg(folder));
    const QString name = backupFileName(serial, when);
    QString path = QDir(folder).filePath(name);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(name.chopped(4) + QStringLiteral("_%1.ini").arg(n));
    saveSettingsFile(ed, path);
    return path;
}

} // namespace tolvin
