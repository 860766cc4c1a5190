// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/backup.h"

#include "common/errors.h"
#include "settings_file/settings_file.h"
#include "station_link/read_into_editor.h"
#include "image/station_readout.h"
#include "table/editor.h"

#include "common/file_io.h"

#include <QDir>

namespace tolvin {

namespace {
// Far more than a bench of stations makes in one second; a bound keeps a folder full of
// squatted names from becoming an endless search.
constexpr int MaxBackupsPerSecond = 10000;
} // namespace

QString backupFileName(const QString &serial, const QDateTime &when) {
    return serial + QLatin1Char('_') + when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral(".ini");
}

QString saveBackup(const QByteArray &readStream, const QString &folder, const QDateTime &when) {
    // The editor a fresh window has after the read: "Запись в файл" would save exactly this.
    Editor ed;
    applyCompleteRead(ed, readStream);
    const QString serial = streamSerial(readStream);

    if (!QDir().mkpath(folder))
        throw IoError(QStringLiteral("Не удалось создать папку резервных копий %1").arg(folder));
    // A fleet backs up its stations on several threads, and two benches may share a folder,
    // often in the same second and, with stations fresh from the factory, under one serial
    // number. Each name is taken exclusively, so no backup replaces another, and a symbolic
    // link someone left at a name is a taken name, never followed.
    const QByteArray bytes = settingsFileBytes(ed);
    const QString name = backupFileName(serial, when);
    const QString path = writeNewFile(
        [&](int n) { return QDir(folder).filePath(n == 1 ? name : name.chopped(4) + QStringLiteral("_%1.ini").arg(n)); },
        MaxBackupsPerSecond, bytes);
    if (!path.isEmpty())
        return path;
    throw IoError(QStringLiteral("Не удалось записать резервную копию в папку %1: заняты все имена %2_…")
                      .arg(QDir::toNativeSeparators(folder), name.chopped(4)));
}

} // namespace tolvin
