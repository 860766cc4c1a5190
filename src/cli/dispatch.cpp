// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of tolvin-cli, from the command's name to its exit code: the one place that
// turns a failure nobody else caught into a message and an exit code.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/journal_session.h"

#include "common/errors.h"

#include <cstddef>
#include <iterator>
#include <new>

namespace {

using namespace tolvin::cli;

struct Command {
    const char *name;
    int (*run)(const QStringList &, QTextStream &, QTextStream &);
};

// The dispatcher's names are those of the help table, in its order: a command without help
// does not compile.
constexpr Command kCommands[] = {
    {"show", cmdShow},
    {"check", cmdCheck},
    {"image", cmdImage},
    {"write", cmdWrite},
    {"batch", cmdBatch},
    {"read", cmdRead},
    {"type", cmdType},
    {"import-csv", cmdImportCsv},
    {"export-csv", cmdExportCsv},
    {"ports", cmdPorts},
    {"doctor", cmdDoctor},
    {"diff", cmdDiff},
    {"report", cmdReport},
    {"certify", cmdCertify},
    {"template", cmdTemplate},
    {"journal", cmdJournal},
};

constexpr bool sameName(const char *a, const char *b) {
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

constexpr bool commandsMatchHelp() {
    if (std::size(kCommands) != std::size(kCommandHelp))
        return false;
    for (std::size_t i = 0; i < std::size(kCommands); ++i)
        if (!sameName(kCommands[i].name, kCommandHelp[i].name))
            return false;
    return true;
}
static_assert(commandsMatchHelp(), "each command needs its entry in command_help.h, in the same place");

void printHelp(QTextStream &out) {
    out << QStringLiteral("Использование: tolvin-cli КОМАНДА [АРГУМЕНТЫ]\n\nКоманды:\n");
    for (const CommandHelp &c : kCommandHelp) {
        out << QStringLiteral("  ") << QString::fromUtf16(c.synopsis) << '\n';
        printExamples(out, c.examples, QStringLiteral("    пример: "));
    }
    out << QStringLiteral("\nПараметры:\n");
    for (const GeneralOptionHelp &o : kGeneralOptionHelp) {
        out << QStringLiteral("  ") << QString::fromLatin1(o.names).leftJustified(16) << ' ' << QString::fromUtf16(o.text)
            << '\n';
        printExamples(out, o.examples, QStringLiteral("    пример: "));
    }
    out << QStringLiteral("\nПОРТ — путь к устройству (/dev/ttyUSB0) или номер N: 1 и 2 — COM1 и COM2, как их\n"
                          "показывает окно обмена (устройство, выбранное в списке портов, иначе из\n"
                          "T702Options.ini в $XDG_CONFIG_HOME/tolvin, иначе ~/.config/tolvin), другой N — ключ\n"
                          "COMN из T702Options.ini, иначе /dev/ttyS(N-1).\n\n"
                          "Коды завершения: 0 — успешно, 1 — отрицательный результат или внутренняя ошибка,\n"
                          "2 — неверные аргументы, файл, который нельзя прочитать или записать, или порт,\n"
                          "который не открылся или пропал во время обмена; 130, 143, 129 — обмен прерван\n"
                          "сигналом SIGINT (Ctrl+C), SIGTERM или SIGHUP.\n");
}

int dispatch(const QStringList &args, QTextStream &out, QTextStream &err) {
    if (args.isEmpty()) {
        err << QStringLiteral("Не указана команда\n");
        printHelp(err);
        return ExitUsage;
    }
    const QString &first = args.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        printHelp(out);
        return ExitOk;
    }
    if (first == QLatin1String("--version")) {
        out << QStringLiteral("tolvin-cli " TOLVIN_VERSION "\n");
        return ExitOk;
    }
    for (const Command &c : kCommands)
        if (first == QLatin1String(c.name))
            return c.run(args.mid(1), out, err);
    err << QStringLiteral("Неизвестная команда: ") << first << '\n';
    printHelp(err);
    return ExitUsage;
}

} // namespace

namespace tolvin::cli {

int runCommandLine(const QStringList &args, QTextStream &out, QTextStream &err) {
    int code = ExitFailed;
    // Whatever the command journals is stored before the process ends.
    const JournalSession journal(err);
    if (const std::optional<Failure> f = catchFailure([&] {
            try {
                code = dispatch(args, out, err);
            } catch (const InterruptedSaveError &e) {
                explainInterruptedSave(e, err);
                code = ExitUsage;
            }
        })) {
        err << f->message << '\n';
        return f->internal ? ExitFailed : ExitUsage;
    }
    return code;
}

} // namespace tolvin::cli
