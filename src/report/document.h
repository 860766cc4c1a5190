// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A word-processor document built the way the report drives a word processor: page set-up,
// formatting of the insertion point, typed text, one table with per-cell fonts, column widths and
// cell texts. It only records what was asked; docx_writer.h turns it into a file.
#include <QString>
#include <variant>
#include <vector>

namespace tolvin {

enum class Alignment { Left, Centre };

struct CharFormat {
    bool bold = false;
    double size = 12;  // points
    bool operator==(const CharFormat &) const = default;
};

struct Run {
    QString text;
    CharFormat format;
};

struct Paragraph {
    Alignment alignment = Alignment::Left;
    CharFormat markFormat;  // sets the height of an empty paragraph
    std::vector<Run> runs;
    QString text() const;
};

struct TableCell {
    QString text;
    CharFormat format;
};

class Table {
public:
    Table(int rows, int columns, const CharFormat &format);
    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    // Rows and columns count from 1; a position outside the table throws AppError.
    TableCell &cell(int row, int column);
    const TableCell &cell(int row, int column) const;
    double columnWidth(int column) const;  // points; 0 until set
    void setColumnWidth(int column, double points);
    Alignment alignment = Alignment::Left;  // of every paragraph in the table
    bool startsPage = false;                // the table begins at the top of a page

private:
    int index(int row, int column) const;
    int m_rows;
    int m_columns;
    std::vector<TableCell> m_cells;
    std::vector<double> m_widths;
};

struct PageSetup {
    bool landscape = false;
    // Points; a new document's margins until the page set-up changes them.
    double left = 85, right = 42.5, top = 56.7, bottom = 56.7;
};

class Document {
public:
    using Block = std::variant<Paragraph, Table>;

    Document();

    PageSetup page;

    // Formatting of the insertion point: applies to the paragraph it stands in and to text
    // typed next.
    void setAlignment(Alignment a);
    void setBold(bool bold);
    void setSize(double points);
    // Appends at the insertion point; CR, LF and CR LF each end a paragraph.
    void typeText(const QString &text);
    // Makes the selection an insertion point at its end. Typing always leaves one there, so
    // this changes nothing in the document; it stands where the word processor needs it.
    void collapse() {}
    // A table of rows x columns before the paragraph of the insertion point, its cells in the
    // insertion point's font; the insertion point stays after it. Returns the new table.
    Table &addTable(int rows, int columns);
    // The n-th table of the document, from 1.
    Table &table(int n);
    const Table &table(int n) const;

    const std::vector<Block> &body() const { return m_body; }

private:
    Paragraph &current();
    std::vector<Block> m_body;  // always ends with the paragraph of the insertion point
    CharFormat m_format;
};

} // namespace tolvin
