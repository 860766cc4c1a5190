// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The link window's own choices, kept between runs in the program's settings file "tolvin.ini"
// in the user's configuration folder. "T702Options.ini" beside it is never written.
#include "station_link/port_options.h"

#include <QString>

namespace tolvin {

struct LinkPreferences {
    bool backupBeforeWrite = true;
    bool verifyAfterWrite = true;
};

// The device picked from the port list for COM1 or COM2 (port 1 or 2); empty when none was
// picked, and the options file decides.
QString readPickedDevice(const QString &path, int port);
void savePickedDevice(const QString &path, int port, const QString &device);

// The device behind port N, as the link window shows it: a device picked from the list for
// COM1 or COM2 wins over the options file's mapping, so the window and scripts reach the same
// station.
QString portDevice(const PortOptions &options, int port, const QString &optionsPath, const QString &preferencesPath);

// configFolder() + "/tolvin.ini".
QString preferencesFilePath();

// A missing file or key gives the defaults.
LinkPreferences readLinkPreferences(const QString &path);
// Creates the folder when needed. Throws IoError naming the folder or the file.
void saveLinkPreferences(const QString &path, const LinkPreferences &preferences);

} // namespace tolvin
