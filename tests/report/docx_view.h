// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads a .docx back into what the tests look at: the page, body paragraphs and the table, each
// with the formatting written for it.
#include "report/zip_package.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <vector>

namespace tolvin::test {

struct ParaView {
    QString jc;          // "center", "left" or empty
    QString text;        // all runs, a tab as '\t'
    QStringList sizes;   // w:sz of each run, half-points
    QList<bool> bolds;   // w:b of each run
    QString markSize;    // w:sz of the paragraph mark
    bool pageBreakBefore = false;
};

struct CellView {
    QString width;       // tcW
    std::vector<ParaView> paras;
    QString text() const {
        QStringList l;
        for (const ParaView &p : paras)
            l << p.text;
        return l.join(QLatin1Char('\n'));
    }
};

struct DocxView {
    QMap<QString, QByteArray> parts;
    QString xmlError;                         // first parse error of any XML part
    QMap<QString, QString> pageSize;          // w:pgSz attributes
    QMap<QString, QString> pageMargins;       // w:pgMar attributes
    std::vector<ParaView> paras;              // body paragraphs, in order
    int tableAt = -1;                         // number of body paragraphs before the table
    QStringList gridCols;
    std::vector<std::vector<CellView>> rows;  // table rows of cells
    QString docLang;                          // w:lang of the document defaults
    QString docFont;                          // w:rFonts w:ascii of the document defaults
};

inline QMap<QString, QString> attributesOf(const QXmlStreamReader &r) {
    QMap<QString, QString> m;
    for (const QXmlStreamAttribute &a : r.attributes())
        m.insert(a.qualifiedName().toString(), a.value().toString());
    return m;
}

inline DocxView readDocx(const QByteArray &bytes) {
    DocxView v;
    for (const auto &[name, data] : unzipPackage(bytes)) {
        v.parts.insert(name, data);
        if (!name.endsWith(QLatin1String(".xml")) && !name.endsWith(QLatin1String(".rels")))
            continue;
        QXmlStreamReader r(data);
        while (!r.atEnd())
            r.readNext();
        if (r.hasError() && v.xmlError.isEmpty())
            v.xmlError = name + QStringLiteral(": ") + r.errorString();
    }

    QXmlStreamReader r(v.parts.value(QStringLiteral("word/document.xml")));
    int tableDepth = 0;
    bool inRun = false, inMark = false;
    ParaView para;
    CellView cell;
    bool runBold = false;
    QString runSize;
    while (!r.atEnd()) {
        r.readNext();
        const QString n = r.qualifiedName().toString();
        if (r.isEndElement()) {
            if (n == QLatin1String("w:p")) {
                if (tableDepth)
                    cell.paras.push_back(para);
                else
                    v.paras.push_back(para);
            } else if (n == QLatin1String("w:r")) {
                para.sizes << runSize;
                para.bolds << runBold;
                inRun = false;
            } else if (n == QLatin1String("w:rPr")) {
                inMark = false;
            } else if (n == QLatin1String("w:tc")) {
                v.rows.back().push_back(cell);
            } else if (n == QLatin1String("w:tbl")) {
                --tableDepth;
            }
            continue;
        }
        if (!r.isStartElement())
            continue;
        const QMap<QString, QString> a = attributesOf(r);
        if (n == QLatin1String("w:p")) {
            para = ParaView{};
        } else if (n == QLatin1String("w:rPr") && !inRun) {
            inMark = true;
        } else if (n == QLatin1String("w:pageBreakBefore")) {
            para.pageBreakBefore = true;
        } else if (n == QLatin1String("w:jc")) {
            para.jc = a.value(QStringLiteral("w:val"));
        } else if (n == QLatin1String("w:r")) {
            inRun = true;
            runBold = false;
            runSize.clear();
        } else if (n == QLatin1String("w:b") && inRun) {
            runBold = a.value(QStringLiteral("w:val"), QStringLiteral("1")) != QLatin1String("0");
        } else if (n == QLatin1String("w:sz")) {
            if (inRun)
                runSize = a.value(QStringLiteral("w:val"));
            else if (inMark)
                para.markSize = a.value(QStringLiteral("w:val"));
        } else if (n == QLatin1String("w:t")) {
            para.text += r.readElementText();
        } else if (n == QLatin1String("w:tab") && inRun) {
            para.text += QLatin1Char('\t');
        } else if (n == QLatin1String("w:tbl")) {
            if (tableDepth++ == 0)
                v.tableAt = int(v.paras.size());
        } else if (n == QLatin1String("w:gridCol")) {
            v.gridCols << a.value(QStringLiteral("w:w"));
        } else if (n == QLatin1String("w:tr")) {
            v.rows.emplace_back();
        } else if (n == QLatin1String("w:tc")) {
            cell = CellView{};
        } else if (n == QLatin1String("w:tcW")) {
            cell.width = a.value(QStringLiteral("w:w"));
        } else if (n == QLatin1String("w:pgSz")) {
            v.pageSize = a;
        } else if (n == QLatin1String("w:pgMar")) {
            v.pageMargins = a;
        }
    }

    QXmlStreamReader s(v.parts.value(QStringLiteral("word/styles.xml")));
    bool inDefaults = false;
    while (!s.atEnd()) {
        s.readNext();
        if (s.isStartElement() && s.qualifiedName() == QLatin1String("w:rPrDefault"))
            inDefaults = true;
        if (s.isEndElement() && s.qualifiedName() == QLatin1String("w:rPrDefault"))
            inDefaults = false;
        if (inDefaults && s.isStartElement() && s.qualifiedName() == QLatin1String("w:lang"))
            v.docLang = attributesOf(s).value(QStringLiteral("w:val"));
        if (inDefaults && s.isStartElement() && s.qualifiedName() == QLatin1String("w:rFonts"))
            v.docFont = attributesOf(s).value(QStringLiteral("w:ascii"));
    }
    return v;
}

} // namespace tolvin::test
