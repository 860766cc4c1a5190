// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text from a file, a cell or the station inside a message to the technician. Such text may be
// megabytes long, or hold a NUL that cuts the message box's text short, or a CR or tab that
// hides where a value really ends; a message shows a readable head of it instead.
#include <QString>

namespace tolvin {

// About one line of a message box.
constexpr int MessageQuoteLength = 60;

// At most maxChars characters of text, the cut marked with "…"; control characters are shown as
// \0, \t, \n, \r or \xHH, each escape counting as the characters it takes on screen.
QString visibleText(const QString &text, int maxChars = MessageQuoteLength);

// visibleText in double quotes: "140000\r\n[3]".
QString quotedText(const QString &text, int maxChars = MessageQuoteLength);

// visibleText in the quotes a Russian sentence puts a value in: «15a».
QString guillemetText(const QString &text, int maxChars = MessageQuoteLength);

} // namespace tolvin
