// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/text_encoding.h"

#include "common/cp1251.h"

namespace tolvin {

namespace {

const QByteArray Bom("\xEF\xBB\xBF", 3);

// Length of the well-formed UTF-8 sequence at `i`, 0 when there is none (overlong forms,
// surrogates and code points past U+10FFFF count as malformed).
int sequenceAt(const unsigned char *s, qsizetype i, qsizetype n) {
    const unsigned c = s[i];
    if (c < 0x80)
        return 1;
    auto cont = [&](qsizetype k) { return k < n && (s[k] & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF)
        return cont(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(i + 1) || !cont(i + 2))
            return 0;
        const unsigned c1 = s[i + 1];
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F))
            return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(i + 1) || !cont(i + 2) || !cont(i + 3))
            return 0;
        const unsigned c1 = s[i + 1];
        if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
            return 0;
        return 4;
    }
    return 0;
}

// -1: malformed; otherwise the number of multi-byte characters.
qsizetype multiByteCharacters(const QByteArray &bytes) {
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype multi = 0;
    for (qsizetype i = 0; i < n;) {
        const int len = sequenceAt(s, i, n);
        if (len == 0)
            return -1;
        if (len > 1)
            ++multi;
        i += len;
    }
    return multi;
}

} // namespace

bool isMultiByteUtf8(const QByteArray &bytes) {
    return multiByteCharacters(bytes) > 0;
}

QString decodeFileText(const QByteArray &bytes) {
    if (bytes.startsWith(Bom)) {
        const QByteArray rest = bytes.mid(Bom.size());
        // A mark in front of code page 1251 bytes is an editor's slip; the text is still 1251.
        return multiByteCharacters(rest) >= 0 ? QString::fromUtf8(rest) : fromCp1251(rest);
    }
    return isMultiByteUtf8(bytes) ? QString::fromUtf8(bytes) : fromCp1251(bytes);
}

} // namespace tolvin
