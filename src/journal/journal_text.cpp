// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/journal_text.h"

#include "common/message_text.h"

#include <limits>

namespace tolvin {

namespace {
// Marks that reorder what follows them on the screen, so that a line reads other than it is
// stored: LRM, RLM, the embeddings and overrides, and the isolates.
bool reordersText(char16_t c) {
    return c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}
} // namespace

QString journalText(const QString &text) {
    QString s;
    s.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            s += QStringLiteral("\\\\");
        else if (reordersText(c.unicode()))
            s += QStringLiteral("\\u") + QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        else
            s += c;
    }
    // The rest as a message quotes a value, without its length limit.
    return visibleText(s, std::numeric_limits<int>::max());
}

} // namespace tolvin
