// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_file.h"

#include "common/errors.h"
#include "report/docx_writer.h"
#include "report/protocol.h"
#include "common/file_io.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>

namespace tolvin {
namespace {

// Bytes a file name may take on the usual Linux file systems.
constexpr qsizetype NameLimit = 255;

bool unsafeInName(QChar c) {
    static const QString reserved = QStringLiteral("/\\:*?\"<>|");
    return c.unicode() < 0x20 || c.unicode() == 0x7F || reserved.contains(c) || c.isSurrogate() ||
           c.category() == QChar::Other_Format;
}

} // namespace

QString reportFileName(const QString &serial) {
    QString safe;
    for (const QChar c : serial)
        safe += unsafeInName(c) ? QLatin1Char('_') : c;
    safe = safe.trimmed();
    const QString prefix = QStringLiteral("Протокол");
    const QString suffix = QStringLiteral(".docx");
    if (safe.isEmpty())
        return prefix + suffix;
    const qsizetype room = NameLimit - (prefix + QLatin1Char(' ') + suffix).toUtf8().size();
    while (safe.toUtf8().size() > room)
        safe.chop(1);
    return prefix + QLatin1Char(' ') + safe.trimmed() + suffix;
}

QString writeReportInNewFolder(const QByteArray &docx, const QString &serial, const QString &parentFolder) {
    QByteArray pattern = QFile::encodeName(QDir(parentFolder).filePath(QStringLiteral("tolvin-report-XXXXXX")));
    if (!::mkdtemp(pattern.data())) {
        const int err = errno;
        throw IoError(QStringLiteral("Не удалось создать папку для протокола в %1: %2")
                          .arg(QDir::toNativeSeparators(parentFolder), describeErrno(err)));
    }
    const QString folder = QFile::decodeName(pattern);
    const QString path = QDir(folder).filePath(reportFileName(serial));
    try {
        writeFileAtomically(path, docx);
    } catch (...) {
        QDir().rmdir(folder);
        throw;
    }
    return path;
}

QString createReportFile(const Editor &ed, const QString &serial, const QString &parentFolder) {
    return writeReportInNewFolder(docxBytes(buildReport(ed, serial)), serial, parentFolder);
}

} // namespace tolvin
