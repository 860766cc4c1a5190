// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp1251.h"

#include <QHash>
#include <QStringDecoder>
#include <array>

namespace tolvin {
namespace {

// The table is taken from the platform's converter once. Byte 0x98 has no character in the
// code page; it is mapped to U+0098 so that it survives a round trip instead of becoming '?'.
struct Tables {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, char> fromUnicode;

    Tables() {
        QStringDecoder decoder("windows-1251");
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            QString s = decoder.isValid() ? decoder.decode(QByteArrayView(&byte, 1)) : QString();
            char16_t u = s.size() == 1 ? s.at(0).unicode() : char16_t(0xFFFD);
            if (u == 0xFFFD)
                u = char16_t(b);
            toUnicode[b] = u;
            fromUnicode.insert(u, byte);
        }
    }
};

const Tables &tables() {
    static const Tables t;
    return t;
}

} // namespace

QString fromCp1251(const QByteArray &bytes) {
    const auto &t = tables();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = QChar(t.toUnicode[static_cast<unsigned char>(bytes[i])]);
    return out;
}

char toCp1251Char(QChar c) {
    if (c.unicode() < 0x80)
        return static_cast<char>(c.unicode());
    // А..я lie in one row of the code page, in the order of Unicode: most of every file's text.
    if (c.unicode() >= 0x410 && c.unicode() <= 0x44F)
        return static_cast<char>(c.unicode() - 0x410 + 0xC0);
    const auto &t = tables();
    auto it = t.fromUnicode.constFind(c.unicode());
    return it == t.fromUnicode.constEnd() ? '?' : it.value();
}

QByteArray toCp1251(const QString &text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = toCp1251Char(text.at(i));
    return out;
}

} // namespace tolvin
