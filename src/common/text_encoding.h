// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Settings files come from Windows tools in code page 1251, but technicians also edit them in
// modern editors that save UTF-8. Reading tells the two apart; writing is always code page 1251.
#include <QByteArray>
#include <QString>

namespace tolvin {

// True when the bytes are well-formed UTF-8 holding at least one multi-byte character. Cyrillic
// in code page 1251 is single bytes at 0xC0..0xFF, which practically never pair up into valid
// sequences, so real code page 1251 text is not taken for UTF-8.
bool isMultiByteUtf8(const QByteArray &bytes);

// A file's text: a leading UTF-8 byte order mark is dropped; what follows is read as UTF-8 when it
// is valid UTF-8 (with the mark) or multi-byte UTF-8 (without it), as code page 1251 otherwise.
QString decodeFileText(const QByteArray &bytes);

} // namespace tolvin
