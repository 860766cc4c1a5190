// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every file and every byte on the wire is single-byte Cyrillic (Windows code page 1251);
// inside the program text is QString. These two functions are the only crossing points.
#include <QByteArray>
#include <QString>

namespace tolvin {

QString fromCp1251(const QByteArray &bytes);
QByteArray toCp1251(const QString &text);

// One character of code page 1251 as its byte; characters outside the page become '?'.
char toCp1251Char(QChar c);

} // namespace tolvin
