// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The copy of a station's programming taken before a write replaces it: the settings file that
// "Запись в файл" would save after a read, in the user's data folder, named after the station's
// serial number and the moment, so that a fleet's backups never overwrite one another.
#include "common/file_io.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace tolvin {

// "1A2B3C_2026-12-09_14-03-55.ini": serial number, local date and time to the second.
QString backupFileName(const QString &serial, const QDateTime &when);

// Saves the complete read stream as a settings file in `folder` (created when missing) and
// returns its path. A second backup of the same station in the same second gets "_2", "_3"...
// before ".ini" instead of replacing the first. Throws IoError naming the folder or the file.
QString saveBackup(const QByteArray &readStream, const QString &folder, const QDateTime &when);

} // namespace tolvin
