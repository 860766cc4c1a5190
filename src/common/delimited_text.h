// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Rows of fields separated by commas (CSV) or tabs (what a spreadsheet puts on the clipboard):
// fields may be quoted with '"', a quote inside doubled; CR LF, LF or CR end a row; a final line
// break adds no empty row; a leading UTF-8 byte order mark is ignored.
#include <QList>
#include <QString>
#include <QStringList>

namespace tolvin {

// One row at a time: a reader that keeps only what it needs of each row holds one row, not the
// hundreds of thousands a megabyte of line breaks makes.
class DelimitedReader {
public:
    DelimitedReader(const QString &text, QChar separator);
    // The next row's fields; false when the text has no more rows.
    bool next(QStringList &fields);

private:
    QString m_text;
    QChar m_separator;
    qsizetype m_pos = 0;
};

QList<QStringList> parseDelimited(const QString &text, QChar separator);

// One field as a spreadsheet or CSV reader takes it back: quoted when it holds the separator,
// a quote or a line break.
QString quoteField(const QString &field, QChar separator);

} // namespace tolvin
