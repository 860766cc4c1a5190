#pragma once
// Whole-file reads and safe whole-file writes with Russian reasons in their errors.
#include <QByteArray>
#include <QString>
#include <optional>

namespace tolvin {

// The reason behind an errno value, in the words a technician reads in a message box.
QString describeErrno(int err);

// Reads the whole file. Throws IoError "Не удалось прочитать файл <path>: <reason>" when it is
// missing, a folder, not readable, or larger than maxBytes.
QByteArray readFileBytes(const QString &path, qint64 maxBytes = 16 * 1024 * 1024);
// The same without the error: nothing when the file cannot be read.
std::optional<QByteArray> tryReadFileBytes(const QString &path, qint64 maxBytes = 16 * 1024 * 1024);

// Writes a temporary file in the target's folder, puts it on disk and renames it over the
// target, so that a failure at any step leaves the old file as it was. A symbolic link is
// followed (the file it points to is replaced, the link stays); an existing file keeps its
// permissions, and one we may not write to is refused. Throws IoError "Не удалось записать файл <path>: <reason>".
void writeFileAtomically(const QString &path, const QByteArray &bytes);

} // namespace tolvin
