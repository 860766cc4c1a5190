#include "cli/commands.h"

#include "common/errors.h"
#include "settings_file/settings_file.h"
#include "table/editor.h"

namespace tolvin::cli {

bool takeFileArgument(const QStringList &args, const QString &usage, QString &file, int &exitCode,
                      QTextStream &out, QTextStream &err) {
    QStringList files;
    bool optionsEnd = false;
    for (const QString &a : args) {
        if (!optionsEnd && a == QLatin1String("--")) {
            optionsEnd = true;
        } else if (!optionsEnd && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            out << QStringLiteral("Использование: ") << usage << Qt::endl;
            exitCode = ExitOk;
            return false;
        } else if (!optionsEnd && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            err << QStringLiteral("Неизвестный параметр: ") << a << Qt::endl
                << QStringLiteral("Использование: ") << usage << Qt::endl;
            exitCode = ExitUsage;
            return false;
        } else {
            files << a;
        }
    }
    if (files.size() != 1) {
        err << (files.isEmpty() ? QStringLiteral("Не указан файл") : QStringLiteral("Нужен ровно один файл"))
            << Qt::endl
            << QStringLiteral("Использование: ") << usage << Qt::endl;
        exitCode = ExitUsage;
        return false;
    }
    file = files.first();
    return true;
}

bool loadEditor(Editor &ed, const QString &path, QTextStream &err) {
    try {
        loadSettingsFile(ed, path);
        return true;
    } catch (const AppError &e) {
        err << e.message() << Qt::endl;
        return false;
    }
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

} // namespace tolvin::cli
