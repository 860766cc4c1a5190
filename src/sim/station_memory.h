// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a simulated station remembers between runs: the image parts a read sends back, kept in a
// small JSON file that a person can read and edit (bytes as upper-case hex).
#include "image/image_streams.h"

#include <QByteArray>
#include <QString>
#include <array>

namespace tolvin {

// The serial number of the station `place` stations after the first of a series from the
// factory, as the header holds it: six decimal digits, two to a byte, so that the hex digits a
// read shows are the label's. The first is 070001, the next 070002, and so on.
std::array<uint8_t, HeaderByte::SerialSize> factorySerial(int place = 0);

// A station fresh from the factory for type code typeCode: serial number factorySerial(place),
// the template's general settings and four simplex channels like the template's rows, 5, 10,
// 15 and 20 MHz above the bottom of the band of that type (the 144-174 MHz band for a code that
// names none).
StreamImage defaultStationMemory(uint8_t typeCode, int place = 0);

QByteArray formatStationMemory(const StreamImage &memory);
// Throws IoError "Файл памяти станции <path> ...: <what is wrong>".
StreamImage parseStationMemory(const QByteArray &text, const QString &path);

// Reads the file, or writes defaultStationMemory(typeCode, place) there when it does not exist.
StreamImage loadOrCreateStationMemory(const QString &path, uint8_t typeCode, int place = 0);
// Replaces the file in one step, so that a crash leaves the old memory or the new one.
void saveStationMemory(const QString &path, const StreamImage &memory);

} // namespace tolvin
