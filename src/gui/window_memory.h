// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the windows remember between runs: their size and place, and the folder of the last
// file chosen. Kept in "window.ini" in the program's configuration folder, apart from the
// station's own files; a folder that cannot be written only means nothing is remembered.
#include <QString>

class QWidget;

namespace tolvin {

QString windowMemoryPath();

// The folder last used in a file dialog; empty when none was, or when it is gone.
QString rememberedFolder();
// The settings file last loaded or saved; empty when none was.
QString rememberedFile();
// Remembers the folder of `file`; `settingsFile` remembers the file itself too.
void rememberFileFolder(const QString &file, bool settingsFile = false);

// Puts `window` where it was when saveWindowPlace last ran for `key`; false when nothing is
// remembered (or the screens changed so that it would not be visible).
bool restoreWindowPlace(QWidget *window, const QString &key);
void saveWindowPlace(const QWidget *window, const QString &key);

} // namespace tolvin
