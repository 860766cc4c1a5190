// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The report as a file of its own: a new folder for every document, named after the serial
// number, so that a desktop application can open it as a new, unsaved-looking document.
#include "table/editor.h"

#include <QByteArray>
#include <QString>

namespace tolvin {

// "Протокол S7K61-12345.docx": characters a file name cannot hold (or that other systems
// refuse) become "_", blanks around the number go, a long number is shortened to fit the
// name limit; an empty number gives "Протокол.docx".
QString reportFileName(const QString &serial);

// Writes the bytes to reportFileName(serial) in a new folder made under `parentFolder` and
// returns the file's path. Throws IoError with the folder or file and the reason; a file that
// could not be written completely is not left behind, nor is its empty folder.
QString writeReportInNewFolder(const QByteArray &docx, const QString &serial, const QString &parentFolder);

// Builds the report of the editor's configuration and writes it as above.
QString createReportFile(const Editor &ed, const QString &serial, const QString &parentFolder);

} // namespace tolvin
