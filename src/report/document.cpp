// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/document.h"

#include "common/errors.h"

#include <utility>

namespace tolvin {

QString Paragraph::text() const {
    QString s;
    for (const Run &r : runs)
        s += r.text;
    return s;
}

Table::Table(int rows, int columns, const CharFormat &format)
    : m_rows(rows), m_columns(columns),
      m_cells(static_cast<size_t>(rows > 0 && columns > 0 ? rows * columns : 0), TableCell{QString(), format}),
      m_widths(static_cast<size_t>(columns > 0 ? columns : 0), 0.0) {
    if (rows < 1 || columns < 1)
        throw AppError(QStringLiteral("Таблица протокола должна иметь хотя бы одну строку и один столбец "
                                      "(запрошено строк: %1, столбцов: %2)").arg(rows).arg(columns));
}

int Table::index(int row, int column) const {
    if (row < 1 || row > m_rows || column < 1 || column > m_columns)
        throw AppError(QStringLiteral("Ячейки (%1, %2) нет в таблице протокола из %3 строк и %4 столбцов")
                           .arg(row).arg(column).arg(m_rows).arg(m_columns));
    return (row - 1) * m_columns + (column - 1);
}

TableCell &Table::cell(int row, int column) { return m_cells[static_cast<size_t>(index(row, column))]; }

const TableCell &Table::cell(int row, int column) const {
    return m_cells[static_cast<size_t>(index(row, column))];
}

double Table::columnWidth(int column) const { return m_widths[static_cast<size_t>(index(1, column))]; }

void Table::setColumnWidth(int column, double points) {
    m_widths[static_cast<size_t>(index(1, column))] = points;
}

Document::Document() { m_body.emplace_back(Paragraph{}); }

Paragraph &Document::current() { return std::get<Paragraph>(m_body.back()); }

void Document::setAlignment(Alignment a) { current().alignment = a; }

void Document::setBold(bool bold) {
    m_format.bold = bold;
    current().markFormat = m_format;
}

void Document::setSize(double points) {
    m_format.size = points;
    current().markFormat = m_format;
}

void Document::typeText(const QString &text) {
    QString pending;
    auto flush = [&] {
        if (pending.isEmpty())
            return;
        Paragraph &p = current();
        if (!p.runs.empty() && p.runs.back().format == m_format)
            p.runs.back().text += pending;
        else
            p.runs.push_back({pending, m_format});
        pending.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
            pending += c;
            continue;
        }
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        flush();
        // The new paragraph carries on the format of the one just ended.
        const Alignment a = current().alignment;
        m_body.emplace_back(Paragraph{a, m_format, {}});
    }
    flush();
}

Table &Document::addTable(int rows, int columns) {
    Table t(rows, columns, m_format);
    const auto at = m_body.insert(m_body.end() - 1, std::move(t));
    return std::get<Table>(*at);
}

const Table &Document::table(int n) const {
    int seen = 0;
    for (const Block &b : m_body)
        if (const auto *t = std::get_if<Table>(&b); t && ++seen == n)
            return *t;
    throw AppError(QStringLiteral("В документе нет таблицы %1").arg(n));
}

Table &Document::table(int n) { return const_cast<Table &>(std::as_const(*this).table(n)); }

} // namespace tolvin
