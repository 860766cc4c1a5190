// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/squelch_codes.h"

#include "layout/image_layout.h"
#include "table/lists.h"

namespace tolvin {

namespace {
const QString &none() {
    static const QString n = QStringLiteral("Нет");
    return n;
}
constexpr int DcsCodes = 84;
} // namespace

const std::array<uint8_t, 84> &dcsCodeTable() {
    static constexpr std::array<uint8_t, 84> t{
        8,  35, 59, 71, 9,  29, 58, 1,  5,  54, 41, 42, 36, 63, 30, 78, 24, 84, 50, 49, 66,
        32, 53, 17, 80, 40, 62, 37, 6,  15, 39, 22, 52, 48, 2,  13, 28, 81, 31, 26, 11, 12,
        76, 55, 60, 65, 69, 34, 20, 19, 82, 33, 23, 10, 44, 79, 64, 7,  3,  45, 75, 27, 14,
        57, 46, 21, 77, 72, 47, 73, 4,  68, 70, 83, 61, 43, 67, 16, 56, 25, 38, 51, 74, 18};
    return t;
}

std::optional<uint8_t> ctcssCode(const QString &text) {
    if (text == none())
        return NoSquelchCode;
    const qsizetype pos = ToneList().indexOf(text);
    if (pos < 0)
        return std::nullopt;
    return static_cast<uint8_t>(pos);
}

std::optional<uint8_t> dcsCode(const QString &text, bool dcsPlus) {
    if (text == none())
        return NoSquelchCode;
    const qsizetype pos = DcsList().indexOf(text);
    if (pos < 1 || pos > DcsCodes)
        return std::nullopt;
    return dcsPlus ? dcsCodeTable()[pos - 1] : static_cast<uint8_t>(pos);
}

QString unknownCodeText(uint8_t code) {
    return QLatin1Char('?') + QString::number(code);
}

QString ctcssText(uint8_t code) {
    if (code == NoSquelchCode)
        return none();
    if (code < ToneList().size())
        return ToneList().at(code);
    return unknownCodeText(code);
}

QString dcsText(uint8_t code, uint8_t dcsNumberingByte) {
    if (code == NoSquelchCode)
        return none();
    if (code < 1 || code > DcsCodes)
        return unknownCodeText(code);
    const int pos = dcsNumberingByte == SignMinus ? code : dcsCodeTable()[code - 1];
    return DcsList().at(pos);
}

} // namespace tolvin
