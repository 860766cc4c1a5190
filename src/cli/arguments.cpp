// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/arguments.h"

#include "cli/commands.h"

namespace tolvin::cli {

Arguments::Arguments(const CommandHelp &help, std::initializer_list<Option> options, int min, int max)
    : m_help(help), m_options(options), m_given(options.size()), m_min(min), m_max(max) {}

int Arguments::optionIndex(const QString &name) const {
    for (std::size_t i = 0; i < m_options.size(); ++i)
        if (name == QLatin1String(m_options[i].name))
            return int(i);
    return -1;
}

bool Arguments::read(const QStringList &args, QTextStream &out, QTextStream &err) {
    const auto complain = [&](const QString &why) {
        refuse(why, err);
        return false;
    };
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (optionsEnd) {
            m_arguments << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << QStringLiteral("Использование: ") << QString::fromUtf16(m_help.usage) << QString::fromUtf16(m_help.help)
                << '\n';
            if (*m_help.examples != 0) {
                out << QStringLiteral("\nПримеры:\n");
                printExamples(out, m_help.examples, QStringLiteral("  "));
            }
            m_exitCode = ExitOk;
            return false;
        }
        const int o = optionIndex(a);
        if (o < 0) {
            // A lone "-" is a name, as for most programs.
            if (a.startsWith(QLatin1Char('-')) && a.size() > 1)
                return complain(QStringLiteral("Неизвестный параметр: ") + a);
            m_arguments << a;
            continue;
        }
        QStringList &given = m_given[std::size_t(o)];
        if (m_options[std::size_t(o)].kind == Option::Flag) {
            given << QString();
            continue;
        }
        if (m_options[std::size_t(o)].kind == Option::Value && !given.isEmpty())
            return complain(QStringLiteral("Параметр %1 указан дважды").arg(a));
        // The next word is the value whatever it looks like: "-o -" and "--serial --" mean what they say.
        if (i + 1 >= args.size())
            return complain(QStringLiteral("После %1 не указано значение").arg(a));
        given << args.at(++i);
    }
    if (m_arguments.size() < m_min)
        return complain(QStringLiteral("Не указан файл"));
    if (m_arguments.size() > m_max)
        return complain(m_max == 1 ? QStringLiteral("Нужен ровно один файл")
                                   : QStringLiteral("Лишний аргумент: ") + m_arguments.at(m_max));
    for (std::size_t o = 0; o < m_options.size(); ++o)
        if (m_options[o].required && m_given[o].isEmpty())
            return complain(QStringLiteral("Не указан параметр ") + QLatin1String(m_options[o].name));
    return true;
}

bool Arguments::has(const char *option) const {
    const int o = optionIndex(QLatin1String(option));
    return o >= 0 && !m_given[std::size_t(o)].isEmpty();
}

QString Arguments::value(const char *option) const {
    const QStringList given = values(option);
    return given.isEmpty() ? QString() : given.last();
}

QStringList Arguments::values(const char *option) const {
    const int o = optionIndex(QLatin1String(option));
    return o < 0 ? QStringList() : m_given[std::size_t(o)];
}

int Arguments::refuse(const QString &why, QTextStream &err) {
    err << why << Qt::endl << QStringLiteral("Использование: ") << QString::fromUtf16(m_help.usage) << Qt::endl;
    m_exitCode = ExitUsage;
    return m_exitCode;
}

void printExamples(QTextStream &out, const char16_t *examples, const QString &indent) {
    const QStringList lines = QString::fromUtf16(examples).split(QLatin1Char('\n'));
    for (const QString &line : lines)
        out << indent << line << '\n';
}

} // namespace tolvin::cli
