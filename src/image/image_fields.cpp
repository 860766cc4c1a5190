// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_fields.h"

#include "layout/image_layout.h"

namespace tolvin {

namespace {
QString hex2(uint8_t b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}
} // namespace

uint8_t brightnessByte(int setting) {
    return static_cast<uint8_t>(5 * setting - 4);
}

QString brightnessText(uint8_t byte) {
    if (byte >= 1 && byte <= 21 && (byte + 4) % 5 == 0)
        return QString::number((byte + 4) / 5);
    return QLatin1Char('?') + QString::number(byte);
}

uint8_t signByte(bool plus) {
    return plus ? SignPlus : SignMinus;
}

QString signText(uint8_t byte) {
    return byte == SignPlus ? QStringLiteral("+") : QStringLiteral("-");
}

uint8_t fvByte(int d1, int d2) {
    return static_cast<uint8_t>(16 * d1 + d2);
}

QString fvText(uint8_t byte) {
    return hex2(byte);
}

uint8_t toneByte(int hertz) {
    int q = hertz / 10;
    const int rest = hertz % 10;
    if (rest > 5 || (rest == 5 && (q & 1)))
        ++q;
    return static_cast<uint8_t>(q);
}

int toneHertz(uint8_t byte) {
    return byte * 10;
}

uint16_t idCode(const QString &text) {
    uint16_t code = 0;
    for (int i = 0; i < 4; ++i) {
        const char16_t c = i < text.size() ? text.at(i).unicode() : u'\0';
        uint16_t digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'A' && c <= u'D')
            digit = 10 + (c - u'A');
        else if (c >= u'a' && c <= u'd')
            digit = 10 + (c - u'a');
        else if (c == u'#')
            digit = 14;
        else if (c == u'*')
            digit = 15;
        code = static_cast<uint16_t>((code << 4) | digit);
    }
    return code;
}

QString idText(uint8_t high, uint8_t low) {
    // Digits 14 and 15 are keyed in as '#' and '*'; written back as "E"/"F" they would encode
    // as 0 on the next check, so a read and write-back would change the station's number.
    QString out = hex2(high) + hex2(low);
    out.replace(QLatin1Char('E'), QLatin1Char('#')).replace(QLatin1Char('F'), QLatin1Char('*'));
    return out;
}

QString serialText(uint8_t b0, uint8_t b1, uint8_t b2) {
    return hex2(b0) + hex2(b1) + hex2(b2);
}

QString generalKeyText(const GeneralKey &key, const StationImage &image, const QString &specialNumber) {
    const auto &h = image.header;
    const uint8_t byte = key.headerByte >= 0 ? h[size_t(key.headerByte)] : 0;
    switch (key.field) {
    case GeneralField::Serial:
        return serialText(h[HeaderByte::Serial], h[HeaderByte::Serial + 1], h[HeaderByte::Serial + 2]);
    case GeneralField::Id:
        return idText(uint8_t(image.IdCode >> 8), uint8_t(image.IdCode));
    case GeneralField::Tone:
        return QString::number(toneHertz(image.tones[key.bit]));
    case GeneralField::Power:
        return QString::fromUtf16(key.templateDefault);
    case GeneralField::Brightness:
        return brightnessText(byte);
    case GeneralField::Number:
        return QString::number(byte);
    case GeneralField::Sign:
        return signText(byte);
    case GeneralField::Fv:
        return fvText(byte);
    case GeneralField::Feature:
        return (byte & key.bit) ? QStringLiteral("+") : QStringLiteral("-");
    case GeneralField::SpecialChannel:
        return specialNumber;
    }
    return {};
}

} // namespace tolvin
