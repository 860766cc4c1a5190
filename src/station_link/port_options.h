// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which device the link window's COM1 and COM2 stand for. The options file keeps the remembered
// port number, as on the bench PCs the program came from; a Linux bench rarely has its station
// on /dev/ttyS0 or /dev/ttyS1, so the same section may name the devices too. The program only
// ever reads this file.
#include "common/file_io.h"

#include <QString>
#include <cstdint>

namespace tolvin {

// "T702Options.ini" in configFolder().
QString optionsFilePath();

struct PortOptions {
    int32_t Port = 2;                                    // section "All", key "Port"
    QString com1 = QStringLiteral("/dev/ttyS0");         // key "COM1"
    QString com2 = QStringLiteral("/dev/ttyS1");         // key "COM2"
};

// Reads the file as it is; a missing or unreadable file gives the defaults.
PortOptions readPortOptions(const QString &path);

// The device of a port number: 1 and 2 as the options say, any other number N the key "COMN"
// of the file when it has one, else /dev/ttyS(N-1), as COMN is on the PC.
QString devicePath(const PortOptions &options, int port, const QString &optionsPath = QString());

} // namespace tolvin
