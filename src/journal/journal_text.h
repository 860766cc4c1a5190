// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A journal's text as a terminal or a table shows it. Every bench writes the shared journal, and a
// serial number comes from whatever answered on the port: an ESC sequence in it would drive the
// terminal of everyone who lists the journal, a line break would print a forged entry. So a
// listing shows each stored text on its one line, with what it would not show as itself escaped.
#include <QString>

namespace tolvin {

// `text` with control characters as \t, \n, \r, \0 or \xHH (as messages quote a value), the
// line and paragraph separators and the bidirectional controls as \uHHHH, and each backslash
// doubled, so that an escape is never mistaken for stored text that looks like one.
QString journalText(const QString &text);

} // namespace tolvin
