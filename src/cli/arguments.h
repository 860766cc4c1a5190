// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How every command of tolvin-cli reads its arguments: the options it declares, how many other
// arguments it takes, "--help" and "--". Every complaint about a command line and every command's
// own help are written here, in one wording, with the texts of command_help.h.
#include "cli/command_help.h"

#include <QStringList>
#include <QTextStream>

#include <initializer_list>
#include <vector>

namespace tolvin::cli {

struct Option {
    enum Kind {
        Flag,    // "--verify"; said twice, it is still said
        Value,   // "-o OUT", once
        Values,  // "--port A --port B", as often as wanted
    };
    const char *name;
    Kind kind = Value;
    bool required = false;
};
constexpr bool Required = true;

class Arguments {
public:
    // `min` and `max` count the arguments that are no options (files, an ID).
    Arguments(const CommandHelp &help, std::initializer_list<Option> options, int min = 1, int max = 1);

    // Left to right up to "--": "--help" or "-h" ends the reading with the help on `out`, the
    // first unknown option, missing value or option said twice with the complaint and the usage on
    // `err`; then the count of the other arguments, then each required option. False, with
    // exitCode() set, when the command should end there.
    bool read(const QStringList &args, QTextStream &out, QTextStream &err);
    int exitCode() const { return m_exitCode; }

    bool has(const char *option) const;
    QString value(const char *option) const;  // the last given, empty when none
    QStringList values(const char *option) const;
    const QStringList &arguments() const { return m_arguments; }
    QString file() const { return m_arguments.value(0); }

    // A complaint the command makes of arguments that read well one by one, with the usage;
    // returns the exit code of a complaint.
    int refuse(const QString &why, QTextStream &err);

private:
    int optionIndex(const QString &name) const;

    const CommandHelp &m_help;
    std::vector<Option> m_options;
    std::vector<QStringList> m_given;  // per option; a flag's are empty texts
    int m_min;
    int m_max;
    QStringList m_arguments;
    int m_exitCode = 0;
};

// `examples`, one per line, each after `indent`.
void printExamples(QTextStream &out, const char16_t *examples, const QString &indent);

} // namespace tolvin::cli
