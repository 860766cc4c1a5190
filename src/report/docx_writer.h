// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The document as an Office Open XML word-processing file (.docx): A4 paper, Times New Roman,
// Russian as the document's language, one section.
#include "report/document.h"

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace tolvin {

using PackagePart = std::pair<QString, QByteArray>;  // name inside the package, bytes

// The XML parts of the package, [Content_Types].xml first.
std::vector<PackagePart> docxParts(const Document &doc);

// The whole file. Throws AppError when the package cannot be built.
QByteArray docxBytes(const Document &doc);

} // namespace tolvin
