// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/delimited_text.h"

namespace tolvin {

DelimitedReader::DelimitedReader(const QString &text, QChar separator)
    : m_text(text), m_separator(separator), m_pos(text.startsWith(QChar(0xFEFF)) ? 1 : 0) {}

bool DelimitedReader::next(QStringList &fields) {
    fields.clear();
    const qsizetype n = m_text.size();
    // Whatever is left makes a row, with or without its line break; a final break makes none.
    if (m_pos >= n)
        return false;
    QString field;
    bool quoted = false;     // inside a quoted field
    bool fieldStarted = false;
    qsizetype i = m_pos;
    for (; i < n; ++i) {
        const QChar c = m_text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && m_text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == m_separator) {
            fields << field;
            field.clear();
            fieldStarted = false;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && m_text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++i;
            break;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    fields << field;
    m_pos = i;
    return true;
}

QList<QStringList> parseDelimited(const QString &text, QChar separator) {
    QList<QStringList> rows;
    DelimitedReader reader(text, separator);
    QStringList row;
    while (reader.next(row))
        rows << row;
    return rows;
}

QString quoteField(const QString &field, QChar separator) {
    if (!field.contains(separator) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n')) &&
        !field.contains(QLatin1Char('\r')))
        return field;
    QString q = field;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace tolvin
