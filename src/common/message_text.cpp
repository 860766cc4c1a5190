// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/message_text.h"

#include <algorithm>

namespace tolvin {

namespace {

QString hexEscape(char prefix, char32_t c, int digits) {
    static const char Hex[] = "0123456789ABCDEF";
    QString s = QStringLiteral("\\") + QLatin1Char(prefix);
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        s += QLatin1Char(Hex[(c >> shift) & 0xF]);
    return s;
}

// What a character looks like in a message; empty when it stands for itself.
QString escapeOf(char32_t c) {
    switch (c) {
    case 0: return QStringLiteral("\\0");
    case u'\t': return QStringLiteral("\\t");
    case u'\n': return QStringLiteral("\\n");
    case u'\r': return QStringLiteral("\\r");
    default: break;
    }
    // C0 and C1 controls (byte 0x98 of code page 1251 arrives as U+0098) and DEL; the Unicode
    // line and paragraph separators and a stray byte order mark.
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return hexEscape('x', c, 2);
    if (c == 0x2028 || c == 0x2029 || c == 0xFEFF)
        return hexEscape('u', c, 4);
    return {};
}

} // namespace

QString visibleText(const QString &text, int maxChars) {
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), maxChars) + 8);
    const qsizetype n = text.size();
    qsizetype shown = 0;
    for (qsizetype i = 0; i < n;) {
        // One code point at a time, so that a cut never splits a surrogate pair.
        char32_t c = text.at(i).unicode();
        qsizetype len = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            len = 2;
        }
        const QString escape = escapeOf(c);
        const qsizetype width = escape.isEmpty() ? 1 : escape.size();
        if (shown + width > maxChars) {
            out += QChar(0x2026);
            return out;
        }
        if (escape.isEmpty())
            out += QStringView(text).mid(i, len);
        else
            out += escape;
        shown += width;
        i += len;
    }
    return out;
}

QString quotedText(const QString &text, int maxChars) {
    return QLatin1Char('"') + visibleText(text, maxChars) + QLatin1Char('"');
}

QString guillemetText(const QString &text, int maxChars) {
    return QChar(0x00AB) + visibleText(text, maxChars) + QChar(0x00BB);
}

} // namespace tolvin
