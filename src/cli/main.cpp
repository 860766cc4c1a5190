// tolvin-cli: the core's operations without a window, in the order the GUI's handlers run them.
#include "cli/commands.h"

#include "common/errors.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <new>

namespace {

using namespace tolvin::cli;

struct Command {
    const char *name;
    const char16_t *synopsis;
    int (*run)(const QStringList &, QTextStream &, QTextStream &);
};

// One line per command.
const Command kCommands[] = {
    {"show", u"show ФАЙЛ        прочитать файл настроек и вывести конфигурацию в JSON", cmdShow},
    {"check", u"check ФАЙЛ       проверить данные, как «Контроль», и вывести итоговое сообщение", cmdCheck},
    {"image", u"image ФАЙЛ [-o ВЫХОД.bin]  проверить и вывести байты записи в станцию (hex или в файл)", cmdImage},
    {"write", u"write ФАЙЛ --port ПОРТ [--port ПОРТ ...] [--backup | --backup-dir ПАПКА] [--verify] [--log ЖУРНАЛ]\n"
              u"                   проверить и записать в станцию (ПОРТ — устройство или 1/2 для COM1/COM2;\n"
              u"                   несколько --port — во все станции сразу); --backup — сначала резервная копия\n"
              u"                   станции, --verify — после записи прочитать и сравнить", cmdWrite},
    {"read", u"read --port ПОРТ -o ФАЙЛ [--log ЖУРНАЛ]  прочитать станцию и записать файл настроек", cmdRead},
    {"type", u"type --port ПОРТ [--log ЖУРНАЛ]  определить тип станции", cmdType},
    {"import-csv", u"import-csv CSV -o ФАЙЛ --model {61|62|63|64}  каналы из CSV программы CHIRP в файл настроек", cmdImportCsv},
    {"export-csv", u"export-csv ФАЙЛ -o CSV  каналы файла настроек в CSV для CHIRP", cmdExportCsv},
    {"ports", u"ports            последовательные порты этого компьютера (для --port)", cmdPorts},
    {"diff", u"diff ФАЙЛ --port ПОРТ  сравнить станцию с файлом настроек: 0 — совпадают, 1 — различия", cmdDiff},
    {"report", u"report ФАЙЛ --serial НОМЕР -o ВЫХОД.docx  проверить и создать протокол программирования", cmdReport},
    {"template", u"template --model {61|62|63|64} --count N --start F --step S -o ФАЙЛ  создать шаблон и записать файл настроек",
     cmdTemplate},
};

void printHelp(QTextStream &out) {
    out << QStringLiteral("Использование: tolvin-cli КОМАНДА [АРГУМЕНТЫ]\n\nКоманды:\n");
    for (const Command &c : kCommands)
        out << QStringLiteral("  ") << QString::fromUtf16(c.synopsis) << '\n';
    out << QStringLiteral("\nПараметры:\n"
                          "  --help, -h       эта справка (и КОМАНДА --help для команды)\n"
                          "  --version        версия программы\n\n"
                          "Коды завершения: 0 — успешно, 1 — отрицательный результат или внутренняя "
                          "ошибка, 2 — неверные аргументы или файл, который нельзя прочитать.\n");
}

int run(const QStringList &args, QTextStream &out, QTextStream &err) {
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

int main(int argc, char **argv) {
    // A closed pipe on the other end of stdout ends the output, not the process by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    int code = ExitFailed;
    try {
        code = run(QCoreApplication::arguments().mid(1), out, err);
    } catch (const tolvin::AppError &e) {
        err << e.message() << '\n';
        code = ExitUsage;
    } catch (const std::bad_alloc &) {
        err << QStringLiteral("Недостаточно памяти\n");
        code = ExitFailed;
    } catch (const std::exception &e) {
        err << QStringLiteral("Внутренняя ошибка: ") << QString::fromLocal8Bit(e.what()) << '\n';
        code = ExitFailed;
    } catch (...) {
        err << QStringLiteral("Внутренняя ошибка\n");
        code = ExitFailed;
    }
    out.flush();
    err.flush();
    if (code == ExitOk && (out.status() != QTextStream::Ok || std::ferror(stdout)))
        code = ExitFailed;
    return code;
}
