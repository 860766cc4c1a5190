// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/docx_writer.h"

#include "report/zip_package.h"

#include <QXmlStreamWriter>
#include <cmath>

namespace tolvin {
namespace {

const QString MainNs = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString RelNs = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString OfficeRel = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");

// A4 in twentieths of a point.
constexpr int A4Short = 11906;
constexpr int A4Long = 16838;
// Room between a cell's border and its text: narrow, so that a frequency such as 140006,25 or
// the marker РЕТР_ПП fits the 62-point columns on one line.
constexpr int CellMargin = 57;

int twips(double points) { return static_cast<int>(std::lround(points * 20)); }
QString num(int v) { return QString::number(v); }

bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

class Xml {
public:
    explicit Xml(QByteArray *out) : w(out) {
        w.setAutoFormatting(false);
        w.writeStartDocument(QStringLiteral("1.0"), true);
    }
    void start(const QString &name) { w.writeStartElement(name); }
    void end() { w.writeEndElement(); }
    void attr(const QString &name, const QString &value) { w.writeAttribute(name, value); }
    void empty(const QString &name, std::initializer_list<std::pair<QString, QString>> attrs = {}) {
        w.writeEmptyElement(name);
        for (const auto &[n, v] : attrs)
            w.writeAttribute(n, v);
    }
    void text(const QString &t) { w.writeCharacters(t); }
    void finish() { w.writeEndDocument(); }

private:
    QXmlStreamWriter w;
};

void runProperties(Xml &x, const CharFormat &f) {
    x.start(QStringLiteral("w:rPr"));
    if (f.bold) {
        x.empty(QStringLiteral("w:b"));
        x.empty(QStringLiteral("w:bCs"));
    }
    const QString halfPoints = num(static_cast<int>(std::lround(f.size * 2)));
    x.empty(QStringLiteral("w:sz"), {{QStringLiteral("w:val"), halfPoints}});
    x.empty(QStringLiteral("w:szCs"), {{QStringLiteral("w:val"), halfPoints}});
    x.end();
}

// Text as runs: a tab becomes a tab element, and a character XML cannot carry shows as the
// replacement character instead of making the whole file unreadable.
void runText(Xml &x, const QString &text, const CharFormat &f) {
    x.start(QStringLiteral("w:r"));
    runProperties(x, f);
    QString piece;
    auto flush = [&] {
        if (piece.isEmpty())
            return;
        x.start(QStringLiteral("w:t"));
        x.attr(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        x.text(piece);
        x.end();
        piece.clear();
    };
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\t') {
            flush();
            x.empty(QStringLiteral("w:tab"));
        } else if (isXmlChar(c) && c != U'\r' && c != U'\n') {
            piece += QString::fromUcs4(&c, 1);
        } else {
            piece += QChar(0xFFFD);
        }
    }
    flush();
    x.end();
}

QString jcValue(Alignment a) { return a == Alignment::Centre ? QStringLiteral("center") : QStringLiteral("left"); }

void paragraph(Xml &x, Alignment a, const CharFormat &mark, const std::vector<Run> &runs,
               bool pageBreakBefore = false) {
    x.start(QStringLiteral("w:p"));
    x.start(QStringLiteral("w:pPr"));
    if (pageBreakBefore)
        x.empty(QStringLiteral("w:pageBreakBefore"));
    x.empty(QStringLiteral("w:jc"), {{QStringLiteral("w:val"), jcValue(a)}});
    runProperties(x, mark);
    x.end();
    for (const Run &r : runs)
        runText(x, r.text, r.format);
    x.end();
}

void border(Xml &x, const QString &side) {
    x.empty(side, {{QStringLiteral("w:val"), QStringLiteral("single")},
                   {QStringLiteral("w:sz"), QStringLiteral("4")},
                   {QStringLiteral("w:space"), QStringLiteral("0")},
                   {QStringLiteral("w:color"), QStringLiteral("000000")}});
}

std::vector<int> columnTwips(const Table &t, const PageSetup &page) {
    // A column whose width was never set takes an equal share of the line, as in a new table.
    const int pageWidth = page.landscape ? A4Long : A4Short;
    const int line = pageWidth - twips(page.left) - twips(page.right);
    std::vector<int> widths;
    for (int c = 1; c <= t.columns(); ++c) {
        const double w = t.columnWidth(c);
        widths.push_back(w > 0 ? twips(w) : line / t.columns());
    }
    return widths;
}

void table(Xml &x, const Table &t, const PageSetup &page) {
    const std::vector<int> widths = columnTwips(t, page);
    int total = 0;
    for (int w : widths)
        total += w;

    x.start(QStringLiteral("w:tbl"));
    x.start(QStringLiteral("w:tblPr"));
    x.empty(QStringLiteral("w:tblW"), {{QStringLiteral("w:w"), num(total)}, {QStringLiteral("w:type"), QStringLiteral("dxa")}});
    // Centred on the page: a table a little wider than the line then stays clear of both paper
    // edges, where a printer cannot print.
    x.empty(QStringLiteral("w:jc"), {{QStringLiteral("w:val"), QStringLiteral("center")}});
    x.start(QStringLiteral("w:tblBorders"));
    for (const char *side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"})
        border(x, QString::fromLatin1(side));
    x.end();
    x.empty(QStringLiteral("w:tblLayout"), {{QStringLiteral("w:type"), QStringLiteral("fixed")}});
    x.start(QStringLiteral("w:tblCellMar"));
    x.empty(QStringLiteral("w:left"), {{QStringLiteral("w:w"), num(CellMargin)}, {QStringLiteral("w:type"), QStringLiteral("dxa")}});
    x.empty(QStringLiteral("w:right"), {{QStringLiteral("w:w"), num(CellMargin)}, {QStringLiteral("w:type"), QStringLiteral("dxa")}});
    x.end();
    x.end(); // tblPr

    x.start(QStringLiteral("w:tblGrid"));
    for (int w : widths)
        x.empty(QStringLiteral("w:gridCol"), {{QStringLiteral("w:w"), num(w)}});
    x.end();

    for (int r = 1; r <= t.rows(); ++r) {
        x.start(QStringLiteral("w:tr"));
        x.start(QStringLiteral("w:trPr"));
        x.empty(QStringLiteral("w:cantSplit"));
        x.end();
        for (int c = 1; c <= t.columns(); ++c) {
            const TableCell &cell = t.cell(r, c);
            x.start(QStringLiteral("w:tc"));
            x.start(QStringLiteral("w:tcPr"));
            x.empty(QStringLiteral("w:tcW"), {{QStringLiteral("w:w"), num(widths[size_t(c - 1)])},
                                              {QStringLiteral("w:type"), QStringLiteral("dxa")}});
            x.end();
            // Every cell holds at least one paragraph; a line break in its text starts another.
            const QStringList lines = QString(cell.text)
                                          .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                          .replace(QLatin1Char('\r'), QLatin1Char('\n'))
                                          .split(QLatin1Char('\n'));
            for (const QString &line : lines) {
                std::vector<Run> runs;
                if (!line.isEmpty())
                    runs.push_back({line, cell.format});
                // A table's page break is its first row's paragraphs' to give.
                paragraph(x, t.alignment, cell.format, runs, t.startsPage && r == 1);
            }
            x.end(); // tc
        }
        x.end(); // tr
    }
    x.end(); // tbl
}

QByteArray documentXml(const Document &doc) {
    QByteArray out;
    Xml x(&out);
    x.start(QStringLiteral("w:document"));
    x.attr(QStringLiteral("xmlns:w"), MainNs);
    x.start(QStringLiteral("w:body"));
    for (const Document::Block &b : doc.body()) {
        if (const auto *p = std::get_if<Paragraph>(&b))
            paragraph(x, p->alignment, p->markFormat, p->runs);
        else
            table(x, std::get<Table>(b), doc.page);
    }
    const PageSetup &pg = doc.page;
    x.start(QStringLiteral("w:sectPr"));
    if (pg.landscape)
        x.empty(QStringLiteral("w:pgSz"), {{QStringLiteral("w:w"), num(A4Long)}, {QStringLiteral("w:h"), num(A4Short)},
                                           {QStringLiteral("w:orient"), QStringLiteral("landscape")}});
    else
        x.empty(QStringLiteral("w:pgSz"), {{QStringLiteral("w:w"), num(A4Short)}, {QStringLiteral("w:h"), num(A4Long)}});
    x.empty(QStringLiteral("w:pgMar"), {{QStringLiteral("w:top"), num(twips(pg.top))},
                                        {QStringLiteral("w:right"), num(twips(pg.right))},
                                        {QStringLiteral("w:bottom"), num(twips(pg.bottom))},
                                        {QStringLiteral("w:left"), num(twips(pg.left))},
                                        {QStringLiteral("w:header"), QStringLiteral("720")},
                                        {QStringLiteral("w:footer"), QStringLiteral("720")},
                                        {QStringLiteral("w:gutter"), QStringLiteral("0")}});
    x.end(); // sectPr
    x.end(); // body
    x.end(); // document
    x.finish();
    return out;
}

QByteArray stylesXml() {
    QByteArray out;
    Xml x(&out);
    x.start(QStringLiteral("w:styles"));
    x.attr(QStringLiteral("xmlns:w"), MainNs);
    x.start(QStringLiteral("w:docDefaults"));
    x.start(QStringLiteral("w:rPrDefault"));
    x.start(QStringLiteral("w:rPr"));
    const QString font = QStringLiteral("Times New Roman");
    x.empty(QStringLiteral("w:rFonts"), {{QStringLiteral("w:ascii"), font}, {QStringLiteral("w:eastAsia"), font},
                                         {QStringLiteral("w:hAnsi"), font}, {QStringLiteral("w:cs"), font}});
    x.empty(QStringLiteral("w:sz"), {{QStringLiteral("w:val"), QStringLiteral("24")}});
    x.empty(QStringLiteral("w:szCs"), {{QStringLiteral("w:val"), QStringLiteral("24")}});
    // Russian, so that the word processor checks spelling and hyphenates in Russian.
    x.empty(QStringLiteral("w:lang"), {{QStringLiteral("w:val"), QStringLiteral("ru-RU")},
                                       {QStringLiteral("w:eastAsia"), QStringLiteral("ru-RU")},
                                       {QStringLiteral("w:bidi"), QStringLiteral("ar-SA")}});
    x.end();
    x.end(); // rPrDefault
    x.start(QStringLiteral("w:pPrDefault"));
    x.start(QStringLiteral("w:pPr"));
    x.empty(QStringLiteral("w:spacing"), {{QStringLiteral("w:after"), QStringLiteral("0")},
                                          {QStringLiteral("w:line"), QStringLiteral("240")},
                                          {QStringLiteral("w:lineRule"), QStringLiteral("auto")}});
    x.end();
    x.end(); // pPrDefault
    x.end(); // docDefaults
    x.start(QStringLiteral("w:style"));
    x.attr(QStringLiteral("w:type"), QStringLiteral("paragraph"));
    x.attr(QStringLiteral("w:default"), QStringLiteral("1"));
    x.attr(QStringLiteral("w:styleId"), QStringLiteral("Normal"));
    x.empty(QStringLiteral("w:name"), {{QStringLiteral("w:val"), QStringLiteral("Normal")}});
    x.empty(QStringLiteral("w:qFormat"));
    x.end();
    x.end(); // styles
    x.finish();
    return out;
}

QByteArray settingsXml() {
    QByteArray out;
    Xml x(&out);
    x.start(QStringLiteral("w:settings"));
    x.attr(QStringLiteral("xmlns:w"), MainNs);
    x.empty(QStringLiteral("w:defaultTabStop"), {{QStringLiteral("w:val"), QStringLiteral("708")}});
    x.empty(QStringLiteral("w:characterSpacingControl"), {{QStringLiteral("w:val"), QStringLiteral("doNotCompress")}});
    // Without it Word opens the file in compatibility mode.
    x.start(QStringLiteral("w:compat"));
    x.empty(QStringLiteral("w:compatSetting"), {{QStringLiteral("w:name"), QStringLiteral("compatibilityMode")},
                                                {QStringLiteral("w:uri"), QStringLiteral("http://schemas.microsoft.com/office/word")},
                                                {QStringLiteral("w:val"), QStringLiteral("15")}});
    x.end();
    x.empty(QStringLiteral("w:themeFontLang"), {{QStringLiteral("w:val"), QStringLiteral("ru-RU")}});
    x.end();
    x.finish();
    return out;
}

QByteArray contentTypesXml() {
    QByteArray out;
    Xml x(&out);
    x.start(QStringLiteral("Types"));
    x.attr(QStringLiteral("xmlns"), QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
    x.empty(QStringLiteral("Default"), {{QStringLiteral("Extension"), QStringLiteral("rels")},
                                        {QStringLiteral("ContentType"), QStringLiteral("application/vnd.openxmlformats-package.relationships+xml")}});
    x.empty(QStringLiteral("Default"), {{QStringLiteral("Extension"), QStringLiteral("xml")},
                                        {QStringLiteral("ContentType"), QStringLiteral("application/xml")}});
    const QString wml = QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.");
    x.empty(QStringLiteral("Override"), {{QStringLiteral("PartName"), QStringLiteral("/word/document.xml")},
                                         {QStringLiteral("ContentType"), wml + QStringLiteral("document.main+xml")}});
    x.empty(QStringLiteral("Override"), {{QStringLiteral("PartName"), QStringLiteral("/word/styles.xml")},
                                         {QStringLiteral("ContentType"), wml + QStringLiteral("styles+xml")}});
    x.empty(QStringLiteral("Override"), {{QStringLiteral("PartName"), QStringLiteral("/word/settings.xml")},
                                         {QStringLiteral("ContentType"), wml + QStringLiteral("settings+xml")}});
    x.end();
    x.finish();
    return out;
}

QByteArray relationshipsXml(std::initializer_list<std::pair<const char *, const char *>> rels) {
    QByteArray out;
    Xml x(&out);
    x.start(QStringLiteral("Relationships"));
    x.attr(QStringLiteral("xmlns"), RelNs);
    int id = 0;
    for (const auto &[type, target] : rels)
        x.empty(QStringLiteral("Relationship"), {{QStringLiteral("Id"), QStringLiteral("rId%1").arg(++id)},
                                                 {QStringLiteral("Type"), OfficeRel + QLatin1String(type)},
                                                 {QStringLiteral("Target"), QLatin1String(target)}});
    x.end();
    x.finish();
    return out;
}

} // namespace

std::vector<PackagePart> docxParts(const Document &doc) {
    return {
        {QStringLiteral("[Content_Types].xml"), contentTypesXml()},
        {QStringLiteral("_rels/.rels"), relationshipsXml({{"officeDocument", "word/document.xml"}})},
        {QStringLiteral("word/_rels/document.xml.rels"),
         relationshipsXml({{"styles", "styles.xml"}, {"settings", "settings.xml"}})},
        {QStringLiteral("word/document.xml"), documentXml(doc)},
        {QStringLiteral("word/styles.xml"), stylesXml()},
        {QStringLiteral("word/settings.xml"), settingsXml()},
    };
}

QByteArray docxBytes(const Document &doc) { return zipPackage(docxParts(doc)); }

} // namespace tolvin
