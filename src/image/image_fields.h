// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Encodings of the general settings into header bytes, tone bytes and IdCode, and the texts
// the station read makes of them again.
#include "layout/general_keys.h"
#include "layout/station_image.h"

#include <QString>
#include <cstdint>

namespace tolvin {

// "Яркость диодов" 1..5 -> 5x - 4 (1, 6, 11, 16, 21).
uint8_t brightnessByte(int setting);
// The setting back; a byte no setting gives reads as "?" + the byte, which no check accepts.
QString brightnessText(uint8_t byte);

// "+" -> 200, "-" -> 100: "Пик_кнопок" and "Код_DCS".
uint8_t signByte(bool plus);
// 200 reads as "+", every other byte as "-".
QString signText(uint8_t byte);

// "ФВ" digits d1 d2 -> 16 d1 + d2; read back as two upper-case hex digits.
uint8_t fvByte(int d1, int d2);
QString fvText(uint8_t byte);

// A tone in Hz (700..2550) -> Hz / 10 rounded, halves to even; read back as byte x 10.
uint8_t toneByte(int hertz);
int toneHertz(uint8_t byte);

// "Id_номер" of four characters, each a 4-bit digit, the first the most significant:
// 0-9, A-D (either case) 10-13, '#' 14, '*' 15, anything else 0.
uint16_t idCode(const QString &text);
// Read back digit by digit as the characters that encode them: 0-9, A-D, '#', '*'.
QString idText(uint8_t high, uint8_t low);

// Header bytes 0..2 as six upper-case hex digits.
QString serialText(uint8_t b0, uint8_t b1, uint8_t b2);

// The text a station read shows for one general setting of `image`. A special channel shows as
// the number of the record it points at: `specialNumber`, which the caller finds among the
// decoded records.
QString generalKeyText(const GeneralKey &key, const StationImage &image, const QString &specialNumber = {});

} // namespace tolvin
