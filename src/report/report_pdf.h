// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The report on paper without a word processor: the Document the .docx is written from, laid out
// page by page with Qt's painter. A print, a print preview and a PDF file all come from
// paintReport, so none of them can show a page the others do not.
// Fonts need a QGuiApplication (the offscreen platform will do); without one these functions
// throw AppError instead of crashing in Qt.
#include "report/document.h"
#include "table/editor.h"

#include <QByteArray>
#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;

namespace tolvin {

// A4 in the document's orientation with its margins, as the .docx's section asks. A window sets
// it on its QPrinter before the print dialog, so the dialog offers the report's own page.
QPageLayout reportPageLayout(const Document &doc);

// Sets the device to reportPageLayout(doc) (where a printer refuses the margins, it keeps its
// own and the lines follow them) and paints the document: paragraphs with their fonts and
// alignment, then the table with its column widths, centred, starting a page where the document
// says so. A row never splits; a page of the table that does not open with the header row gets
// a copy of it, and a header row never ends a page. Returns the number of pages painted.
// Throws AppError when the device cannot be painted on.
int paintReport(const Document &doc, QPagedPaintDevice &device);

// The document as the bytes of a PDF file.
QByteArray reportPdfBytes(const Document &doc);

// Writes the document as a PDF file through the one safe write: a temporary file renamed into
// place, nothing left behind on failure. Throws IoError "Не удалось записать файл <path>: <reason>".
void writeReportPdf(const Document &doc, const QString &path);
// The report of the editor's configuration (buildReport), written as above.
void writeReportPdf(const Editor &ed, const QString &serial, const QString &path);

} // namespace tolvin
