// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a simulated station remembers between runs: the image parts a read sends back, kept in a
// small JSON file that a person can read and edit (bytes as upper-case hex).
#include "image/image_streams.h"

#include <QByteArray>
#include <QString>

namespace tolvin {

// A station fresh from the factory for type code typeCode: a serial number, the template's
// general settings and four simplex channels like the template's rows, 5, 10, 15 and 20 MHz
// above the bottom of the band of that type (the 144-174 MHz band for a code that names none).
StreamImage defaultStationMemory(uint8_t typeCode);

QByteArray formatStationMemory(const StreamImage &memory);
// Throws IoError "Файл памяти станции <path> ...: <what is wrong>".
StreamImage parseStationMemory(const QByteArray &text, const QString &path);

// Reads the file, or writes defaultStationMemory(typeCode) there when it does not exist.
StreamImage loadOrCreateStationMemory(const QString &path, uint8_t typeCode);
// Replaces the file in one step, so that a crash leaves the old memory or the new one.
void saveStationMemory(const QString &path, const StreamImage &memory);

} // namespace tolvin
