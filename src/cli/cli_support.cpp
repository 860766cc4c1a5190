// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "common/errors.h"
#include "settings_file/settings_file.h"
#include "table/editor.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace tolvin::cli {

namespace {

// A path as one word of a POSIX shell, whatever it holds.
QString shellWord(const QString &path) {
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

void explainInterruptedSave(const InterruptedSaveError &e, QTextStream &err) {
    const QString copy = shellWord(e.copy());
    // The copy goes back into the file itself, not over its name: a file written in place has
    // other hard links, an owner or a folder that a new file in its place would not keep.
    err << e.message() << Qt::endl
        << QStringLiteral("Файл может содержать часть новых данных и часть прежних.") << Qt::endl
        << QStringLiteral("Вернуть прежнюю версию:") << Qt::endl
        << QStringLiteral("    cp -- %1 %2 && rm -- %1").arg(copy, shellWord(e.file())) << Qt::endl
        << QStringLiteral("Оставить файл как есть и убрать копию:") << Qt::endl
        << QStringLiteral("    rm -- %1").arg(copy) << Qt::endl;
}

bool loadEditor(Editor &ed, const QString &path, QTextStream &err) {
    try {
        loadSettingsFile(ed, path);
        return true;
    } catch (const InterruptedSaveError &e) {
        explainInterruptedSave(e, err);
        return false;
    } catch (const AppError &e) {
        err << e.message() << Qt::endl;
        return false;
    }
}

bool loadAndCheck(Editor &ed, const QString &file, int &exitCode, QTextStream &out, QTextStream &err) {
    if (!loadEditor(ed, file, err)) {
        exitCode = ExitUsage;
        return false;
    }
    QString message;
    if (!runCheckCommand(ed, message)) {
        out << message << Qt::endl;
        exitCode = ExitFailed;
        return false;
    }
    return true;
}

QString jsonString(const QString &text) {
    QString s;
    s.reserve(text.size() + 2);
    s += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"': s += QLatin1String("\\\""); break;
        case u'\\': s += QLatin1String("\\\\"); break;
        case u'\b': s += QLatin1String("\\b"); break;
        case u'\f': s += QLatin1String("\\f"); break;
        case u'\n': s += QLatin1String("\\n"); break;
        case u'\r': s += QLatin1String("\\r"); break;
        case u'\t': s += QLatin1String("\\t"); break;
        default:
            // Control characters, and the two separators some JavaScript parsers choke on.
            if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029)
                s += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                s += c;
        }
    }
    s += QLatin1Char('"');
    return s;
}

bool sameFile(const QString &a, const QString &b) {
    const QFileInfo fa(a), fb(b);
    if (fa.absoluteFilePath() == fb.absoluteFilePath())
        return true;
    struct stat sa {}, sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace tolvin::cli
