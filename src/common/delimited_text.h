#pragma once
// Rows of fields separated by commas (CSV) or tabs (what a spreadsheet puts on the clipboard):
// fields may be quoted with '"', a quote inside doubled; CR LF, LF or CR end a row; a final line
// break adds no empty row; a leading UTF-8 byte order mark is ignored.
#include <QList>
#include <QString>
#include <QStringList>

namespace tolvin {

QList<QStringList> parseDelimited(const QString &text, QChar separator);

// One field as a spreadsheet or CSV reader takes it back: quoted when it holds the separator,
// a quote or a line break.
QString quoteField(const QString &field, QChar separator);

} // namespace tolvin
