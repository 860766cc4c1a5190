// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/numbers.h"

#include "common/errors.h"
#include "common/message_text.h"

#include <charconv>
#include <cfenv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace tolvin {

std::optional<int32_t> tryStrToInt(const QString &text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text.at(i) == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i < n && (text.at(i) == QLatin1Char('x') || text.at(i) == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0') &&
               (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;
    int64_t value = 0;
    const int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + (negative ? 1 : 0);
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

namespace {

QString placed(const QString &place, const QString &message) {
    return place.isEmpty() ? message : place + QStringLiteral(": ") + message;
}

} // namespace

QString notIntegerMessage(const QString &text, const QString &place) {
    return placed(place, guillemetText(text) + QStringLiteral(" не является целым числом"));
}

QString notNumberMessage(const QString &text, const QString &place) {
    return placed(place, guillemetText(text) + QStringLiteral(" не является числом"));
}

int32_t strToInt(const QString &text) {
    return strToInt(text, QString());
}

int32_t strToInt(const QString &text, const QString &place) {
    if (auto v = tryStrToInt(text))
        return *v;
    throw ConversionError(notIntegerMessage(text, place));
}

namespace {

// Power of ten of the first significant digit of a C-form number ("0.00012e3" -> -1).
long decimalMagnitude(const std::string &c) {
    const size_t e = c.find('e');
    const std::string mant = c.substr(0, e);
    long exp = 0;
    if (e != std::string::npos) {
        const char *b = c.data() + e + 1;
        const char *end = c.data() + c.size();
        if (*b == '+')
            ++b;
        if (std::from_chars(b, end, exp).ec != std::errc())
            exp = (*b == '-') ? std::numeric_limits<long>::min() / 2 : std::numeric_limits<long>::max() / 2;
    }
    const size_t point = mant.find('.');
    const size_t first = mant.find_first_of("123456789");
    const long intDigits = long(point == std::string::npos ? mant.size() : point);
    const long pos = long(first) < intDigits ? long(first) : long(first) - 1;
    return exp + (intDigits - 1 - pos);
}

} // namespace

std::optional<double> tryStrToFloat(const QString &text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // Accept exactly: [sign] digits [, digits] [E [sign] digits], at least one mantissa digit.
    // The text is rewritten in the C form and read by from_chars, which never looks at the
    // process locale: a Russian desktop's LC_NUMERIC must not change a single value.
    std::string c;
    c.reserve(size_t(t.size()));
    qsizetype i = 0;
    const qsizetype n = t.size();
    auto isDigit = [&](qsizetype k) { return k < n && t.at(k) >= QLatin1Char('0') && t.at(k) <= QLatin1Char('9'); };
    bool negative = false;
    if (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-'))
        negative = t.at(i++) == QLatin1Char('-');
    int digits = 0;
    bool nonZero = false;
    while (isDigit(i)) {
        nonZero = nonZero || t.at(i) != QLatin1Char('0');
        c.push_back(char(t.at(i++).unicode()));
        ++digits;
    }
    if (i < n && t.at(i) == QLatin1Char(',')) {
        c.push_back('.');
        ++i;
        while (isDigit(i)) {
            nonZero = nonZero || t.at(i) != QLatin1Char('0');
            c.push_back(char(t.at(i++).unicode()));
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        c.push_back('e');
        ++i;
        if (i < n && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            c.push_back(char(t.at(i++).unicode()));
        if (!isDigit(i))
            return std::nullopt;
        while (isDigit(i))
            c.push_back(char(t.at(i++).unicode()));
    }
    if (i != n)
        return std::nullopt;
    if (c.front() == '.')
        c.insert(c.begin(), '0'); // from_chars wants a digit before the point
    double v = 0;
    const auto [end, ec] = std::from_chars(c.data(), c.data() + c.size(), v, std::chars_format::general);
    if (end != c.data() + c.size())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Too small to hold is zero, as the C library reads it; too big is not a number.
        if (!nonZero || decimalMagnitude(c) >= 0)
            return std::nullopt;
        v = 0;
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    if (!std::isfinite(v))
        return std::nullopt;
    return negative ? -v : v;
}

double strToFloat(const QString &text) {
    return strToFloat(text, QString());
}

double strToFloat(const QString &text, const QString &place) {
    if (auto v = tryStrToFloat(text))
        return *v;
    throw ConversionError(notNumberMessage(text, place));
}

QString floatToStr(double value) {
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NAN") : (value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF"));
    if (value == 0)
        return QStringLiteral("0");
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    // 15 significant digits; split mantissa and exponent, drop trailing zeros of the mantissa.
    QByteArray s(buf, int(res.ptr - buf));
    const int ePos = s.indexOf('e');
    QByteArray mant = s.left(ePos);
    const int exp = s.mid(ePos + 1).toInt();
    const bool neg = mant.startsWith('-');
    if (neg)
        mant.remove(0, 1);
    QByteArray digits = mant;
    digits.remove(1, 1); // the point after the first digit
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
    QByteArray out;
    if (exp >= 15 || exp < -5) {
        out = digits.left(1);
        if (digits.size() > 1)
            out += ',' + digits.mid(1);
        out += 'E' + QByteArray(exp < 0 ? "-" : "") + QByteArray::number(std::abs(exp));
    } else if (exp >= 0) {
        if (digits.size() <= exp + 1) {
            out = digits + QByteArray(exp + 1 - digits.size(), '0');
        } else {
            out = digits.left(exp + 1) + ',' + digits.mid(exp + 1);
        }
    } else {
        out = "0," + QByteArray(-exp - 1, '0') + digits;
    }
    if (neg)
        out.prepend('-');
    return QString::fromLatin1(out);
}

QString fixedToStr(double value, int decimals, int width) {
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    QString out = QString::fromLatin1(buf, res.ec == std::errc() ? int(res.ptr - buf) : 0);
    out.replace(QLatin1Char('.'), QLatin1Char(','));
    return out.rightJustified(width, QLatin1Char(' '));
}

int64_t toTenHertz(double kHz) {
    // nearbyint rounds in the current mode, which is to-nearest-even unless someone changed it.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(kHz * 100.0);
    std::fesetround(saved);
    if (!(std::fabs(r) < 9.0e18))
        return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(r);
}

bool onRaster(double kHz) {
    return toTenHertz(kHz) % 625 == 0;
}

std::optional<int64_t> tryExactDecimal(QString text, int decimals, int maxWholeDigits) {
    text = text.trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    if (text.isEmpty())
        return std::nullopt;
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    const QString whole = dot < 0 ? text : text.left(dot);
    QString frac = dot < 0 ? QString() : text.mid(dot + 1);
    auto digits = [](const QString &s) {
        for (QChar c : s)
            if (!c.isDigit() || c.unicode() > 127)
                return false;
        return true;
    };
    if (whole.isEmpty() || !digits(whole) || !digits(frac) || whole.size() > maxWholeDigits)
        return std::nullopt;
    while (frac.size() > decimals && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    if (frac.size() > decimals)
        return std::nullopt;
    frac = frac.leftJustified(decimals, QLatin1Char('0'));
    int64_t scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    return whole.toLongLong() * scale + frac.toLongLong();
}

QString pointDecimalText(int64_t units, int decimals, int shownDecimals) {
    int64_t scale = 1, pad = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    for (int i = decimals; i < shownDecimals; ++i)
        pad *= 10;
    return QStringLiteral("%1.%2").arg(units / scale).arg((units % scale) * pad, shownDecimals, 10, QLatin1Char('0'));
}

} // namespace tolvin
