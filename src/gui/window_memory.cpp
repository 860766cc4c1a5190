// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/window_memory.h"

#include "common/file_io.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace tolvin {

namespace {
QSettings memory() {
    return QSettings(windowMemoryPath(), QSettings::IniFormat);
}
const QString FolderKey = QStringLiteral("Files/LastFolder");
const QString FileKey = QStringLiteral("Files/LastSettingsFile");
} // namespace

QString windowMemoryPath() {
    return configFolder() + QStringLiteral("/window.ini");
}

QString rememberedFolder() {
    const QString folder = memory().value(FolderKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

QString rememberedFile() {
    return memory().value(FileKey).toString();
}

void rememberFileFolder(const QString &file, bool settingsFile) {
    if (file.isEmpty())
        return;
    QDir().mkpath(configFolder());
    QSettings m = memory();
    m.setValue(FolderKey, QFileInfo(file).absolutePath());
    if (settingsFile)
        m.setValue(FileKey, QFileInfo(file).absoluteFilePath());
}

bool restoreWindowPlace(QWidget *window, const QString &key) {
    const QByteArray geometry = memory().value(key + QStringLiteral("/Geometry")).toByteArray();
    if (geometry.isEmpty() || !window->restoreGeometry(geometry))
        return false;
    // A window remembered on a screen that is gone comes back where it can be seen.
    const QRect frame = window->frameGeometry();
    for (const QScreen *s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(frame))
            return true;
    return false;
}

void saveWindowPlace(const QWidget *window, const QString &key) {
    QDir().mkpath(configFolder());
    memory().setValue(key + QStringLiteral("/Geometry"), window->saveGeometry());
}

} // namespace tolvin
