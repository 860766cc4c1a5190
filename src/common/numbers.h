// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Number forms of the system: integers as cells and settings values write them, decimal
// numbers with a comma, and the shortest comma form of a frequency.
#include <QString>
#include <cstdint>
#include <optional>

namespace tolvin {

// Leading blanks, optional sign, then decimal digits or hex after "$", "x", "X", "0x" or "0X";
// the whole text must be consumed and the value must fit 32 bits (signed).
std::optional<int32_t> tryStrToInt(const QString &text);
int32_t strToInt(const QString &text); // throws ConversionError

// Decimal number with a comma as separator, optional exponent, blanks around allowed.
std::optional<double> tryStrToFloat(const QString &text);
double strToFloat(const QString &text); // throws ConversionError

// The same for a value the technician can find by its place (a field, a key, a cell): the
// error names the place first, "Кол-во каналов: «1x» не является целым числом".
int32_t strToInt(const QString &text, const QString &place);
double strToFloat(const QString &text, const QString &place);

// The conversion error's texts, "«15a» не является целым числом" and "«15a» не является
// числом", after "<place>: " when a place is given; for callers that work the place out only
// once a value has failed.
QString notIntegerMessage(const QString &text, const QString &place = QString());
QString notNumberMessage(const QString &text, const QString &place = QString());

// Shortest decimal form with a comma, up to 15 significant digits: 140000, 140006,25, 12,5.
QString floatToStr(double value);

// A fixed number of decimals with a comma, right-aligned in `width` as "%6.2f" would be,
// whatever the process locale says.
QString fixedToStr(double value, int decimals, int width);

// round(f * 100), ties to even: a frequency in units of 10 Hz.
int64_t toTenHertz(double kHz);
// The channel raster: 6,25 kHz = 625 units of 10 Hz.
bool onRaster(double kHz);

// An exact decimal in the point or comma form other programs write ("146.520000", "146,52"), as
// a count of 10^-decimals units: 14652000 for decimals 5. Digits past `decimals` must be zeros;
// no sign, no exponent, at most `maxWholeDigits` before the separator.
std::optional<int64_t> tryExactDecimal(QString text, int decimals, int maxWholeDigits);
// Such a count (not negative) back with a point and `shownDecimals` >= `decimals` decimals:
// 14652000, 5, 6 -> "146.520000".
QString pointDecimalText(int64_t units, int decimals, int shownDecimals);

} // namespace tolvin
