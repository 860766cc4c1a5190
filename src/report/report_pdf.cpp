// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_pdf.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "report/protocol.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <memory>
#include <vector>

namespace tolvin {
namespace {

// The word processor's measures the .docx relies on, in points: the room either side of a
// cell's text, the half-point single borders, the default tab stop.
constexpr double CellMargin = 2.85;
constexpr double BorderWidth = 0.5;
constexpr double TabStop = 35.4;

void requireGuiApplication() {
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        throw AppError(QStringLiteral("Протокол не выводится на печать и в PDF без графической подсистемы "
                                      "(нужен QGuiApplication)"));
}

QFont fontOf(const CharFormat &f) {
    // The .docx's font; fontconfig gives its metric twin (Liberation Serif) where it is missing,
    // so lines and pages break where the word processor breaks them.
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(f.size);
    font.setBold(f.bold);
    return font;
}

// One paragraph broken into lines of the given width; lengths in device units.
class Lines {
public:
    Lines(const std::vector<Run> &runs, const CharFormat &mark, Alignment alignment, qreal width,
          qreal tabStop, const QPaintDevice *device) {
        QString text;
        QList<QTextLayout::FormatRange> formats;
        for (const Run &r : runs) {
            QTextCharFormat f;
            f.setFont(fontOf(r.format));
            formats.append({int(text.size()), int(r.text.size()), f});
            text += r.text;
        }
        // The paragraph mark's font gives an empty paragraph its height, as in the word processor.
        m_layout = std::make_unique<QTextLayout>(text, fontOf(runs.empty() ? mark : runs.front().format), device);
        m_layout->setFormats(formats);
        QTextOption option(alignment == Alignment::Centre ? Qt::AlignHCenter : Qt::AlignLeft);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setTabStopDistance(tabStop);
        m_layout->setTextOption(option);
        qreal y = 0;
        m_layout->beginLayout();
        for (QTextLine line = m_layout->createLine(); line.isValid(); line = m_layout->createLine()) {
            line.setLineWidth(width);
            // Single spacing of the word processor: the font's line gap belongs to the line.
            line.setLeadingIncluded(true);
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        m_layout->endLayout();
        m_height = y;
    }
    int count() const { return m_layout->lineCount(); }
    qreal height() const { return m_height; }
    qreal lineHeight(int i) const { return m_layout->lineAt(i).height(); }
    // Line i with its top at `top`.
    void drawLine(QPainter &p, int i, QPointF top) const {
        const QTextLine line = m_layout->lineAt(i);
        line.draw(&p, top - QPointF(0, line.y()));
    }
    void draw(QPainter &p, QPointF top) const { m_layout->draw(&p, top); }

private:
    std::unique_ptr<QTextLayout> m_layout;
    qreal m_height = 0;
};

class Pages {
public:
    Pages(QPagedPaintDevice &device, qreal height) : m_device(device), m_height(height) {}
    qreal y = 0;  // where the next line goes, from the top of the lines' area
    int count = 1;
    bool atTop() const { return y <= 0; }
    bool fits(qreal h) const { return y + h <= m_height; }
    void next() {
        if (!m_device.newPage())
            throw AppError(QStringLiteral("Не удалось начать страницу %1 протокола").arg(count + 1));
        y = 0;
        ++count;
    }

private:
    QPagedPaintDevice &m_device;
    qreal m_height;
};

class Painter {
public:
    Painter(const Document &doc, QPagedPaintDevice &device, QPainter &p)
        : m_doc(doc), m_device(device), m_p(p), m_unit(device.logicalDpiY() / 72.0),
          m_area(device.pageLayout().paintRectPixels(device.logicalDpiY())),
          m_pages(device, m_area.height()) {}

    int paint() {
        m_p.setPen(QPen(Qt::black, BorderWidth * m_unit));
        m_p.setBrush(Qt::NoBrush);
        const auto &body = m_doc.body();
        for (size_t i = 0; i < body.size(); ++i) {
            if (const auto *para = std::get_if<Paragraph>(&body[i])) {
                // The insertion point's paragraph after the last block draws nothing and must
                // not start a page of its own.
                if (i + 1 == body.size() && para->runs.empty())
                    break;
                paragraph(*para);
            } else {
                table(std::get<Table>(body[i]));
            }
        }
        return m_pages.count;
    }

private:
    using Cell = std::vector<std::unique_ptr<Lines>>;
    struct Row {
        std::vector<Cell> cells;
        qreal height = 0;
    };

    qreal pt(double points) const { return points * m_unit; }

    void paragraph(const Paragraph &para) {
        const Lines lines(para.runs, para.markFormat, para.alignment, m_area.width(), pt(TabStop), &m_device);
        for (int i = 0; i < lines.count(); ++i) {
            if (!m_pages.fits(lines.lineHeight(i)) && !m_pages.atTop())
                m_pages.next();
            lines.drawLine(m_p, i, QPointF(0, m_pages.y));
            m_pages.y += lines.lineHeight(i);
        }
    }

    std::vector<qreal> columnWidths(const Table &t) const {
        // A column whose width was never set takes an equal share of the line, as in the .docx.
        std::vector<qreal> widths;
        for (int c = 1; c <= t.columns(); ++c) {
            const double w = t.columnWidth(c);
            widths.push_back(w > 0 ? pt(w) : m_area.width() / t.columns());
        }
        return widths;
    }

    Row layRow(const Table &t, int r, const std::vector<qreal> &widths) const {
        Row row;
        for (int c = 1; c <= t.columns(); ++c) {
            const TableCell &cell = t.cell(r, c);
            // A line break in a cell's text starts another paragraph, as in the .docx.
            const QStringList texts = QString(cell.text)
                                          .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                          .replace(QLatin1Char('\r'), QLatin1Char('\n'))
                                          .split(QLatin1Char('\n'));
            Cell paragraphs;
            qreal height = 0;
            for (const QString &text : texts) {
                std::vector<Run> runs;
                if (!text.isEmpty())
                    runs.push_back({text, cell.format});
                paragraphs.push_back(std::make_unique<Lines>(runs, cell.format, t.alignment,
                                                             widths[size_t(c - 1)] - 2 * pt(CellMargin),
                                                             pt(TabStop), &m_device));
                height += paragraphs.back()->height();
            }
            row.height = std::max(row.height, height + pt(BorderWidth));
            row.cells.push_back(std::move(paragraphs));
        }
        return row;
    }

    // A row whose every cell is the first row's, text and font: a header the document repeats.
    static bool isHeader(const Table &t, int r) {
        for (int c = 1; c <= t.columns(); ++c)
            if (t.cell(r, c).text != t.cell(1, c).text || !(t.cell(r, c).format == t.cell(1, c).format))
                return false;
        return true;
    }

    void drawRow(const Row &row, qreal left, const std::vector<qreal> &widths) {
        qreal x = left;
        for (size_t c = 0; c < row.cells.size(); ++c) {
            m_p.drawRect(QRectF(x, m_pages.y, widths[c], row.height));
            qreal y = m_pages.y + pt(BorderWidth) / 2;
            for (const auto &para : row.cells[c]) {
                para->draw(m_p, QPointF(x + pt(CellMargin), y));
                y += para->height();
            }
            x += widths[c];
        }
        m_pages.y += row.height;
    }

    void table(const Table &t) {
        if (t.startsPage && !m_pages.atTop())
            m_pages.next();
        const std::vector<qreal> widths = columnWidths(t);
        qreal total = 0;
        for (qreal w : widths)
            total += w;
        // Centred on the line: a table a little wider than the line reaches equally into both
        // margins, as the .docx centres it.
        const qreal left = (m_area.width() - total) / 2;
        std::vector<Row> rows;
        for (int r = 1; r <= t.rows(); ++r)
            rows.push_back(layRow(t, r, widths));
        for (int r = 1; r <= t.rows(); ++r) {
            const bool header = isHeader(t, r);
            qreal needed = rows[size_t(r - 1)].height;
            if (header && r < t.rows())
                needed += rows[size_t(r)].height;
            if (!m_pages.fits(needed) && !m_pages.atTop()) {
                m_pages.next();
                if (!header)
                    drawRow(rows[0], left, widths);
            }
            drawRow(rows[size_t(r - 1)], left, widths);
        }
    }

    const Document &m_doc;
    QPagedPaintDevice &m_device;
    QPainter &m_p;
    const qreal m_unit;  // device units per point
    const QRectF m_area; // the lines' area: the page inside its margins, from the painter's origin
    Pages m_pages;
};

} // namespace

QPageLayout reportPageLayout(const Document &doc) {
    const PageSetup &pg = doc.page;
    return QPageLayout(QPageSize(QPageSize::A4), pg.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(pg.left, pg.top, pg.right, pg.bottom), QPageLayout::Point);
}

int paintReport(const Document &doc, QPagedPaintDevice &device) {
    requireGuiApplication();
    const QPageLayout layout = reportPageLayout(doc);
    if (!device.setPageLayout(layout)) {
        device.setPageSize(layout.pageSize());
        device.setPageOrientation(layout.orientation());
    }
    QPainter p;
    if (!p.begin(&device))
        throw AppError(QStringLiteral("Не удалось начать вывод протокола на печать"));
    p.setRenderHint(QPainter::Antialiasing);
    const int pages = Painter(doc, device, p).paint();
    p.end();
    return pages;
}

QByteArray reportPdfBytes(const Document &doc) {
    requireGuiApplication();
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("tolvin"));
        paintReport(doc, writer);
    }
    return bytes;
}

void writeReportPdf(const Document &doc, const QString &path) { writeFileAtomically(path, reportPdfBytes(doc)); }

void writeReportPdf(const Editor &ed, const QString &serial, const QString &path) {
    writeReportPdf(buildReport(ed, serial), path);
}

} // namespace tolvin
