// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every text tolvin-cli prints about its own use: a line (or a few) per command and examples to
// copy for `tolvin-cli --help`, the usage line under a complaint about a command's arguments, and
// what `КОМАНДА --help` says. dispatch.cpp dispatches by these names, so a command cannot be added
// without its help; the tests read the same table to hold every command and option to an example.
// Data only, so that a test can include it without the commands; the models in it are the model
// table's, put in as it compiles.
#include "layout/station_models.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string_view>

namespace tolvin::cli {

// A text put together as the program compiles, zero-terminated.
template <std::size_t N>
struct HelpText {
    char16_t text[N]{};
    constexpr HelpText() = default;
    constexpr HelpText(const char16_t (&s)[N]) { std::copy_n(s, N, text); }
};

template <std::size_t A, std::size_t B>
constexpr HelpText<A + B - 1> operator+(const HelpText<A> &a, const HelpText<B> &b) {
    HelpText<A + B - 1> out;
    std::copy_n(a.text, A - 1, out.text);
    std::copy_n(b.text, B, out.text + A - 1);
    return out;
}

namespace detail {
constexpr std::size_t digits(int n) { return n < 10 ? 1 : 1 + digits(n / 10); }
constexpr std::size_t modelChoiceLength() {
    std::size_t n = 2 + StationModels.size() - 1; // the braces and the bars
    for (const StationModelRow &m : StationModels)
        n += digits(m.modelNumber);
    return n;
}
} // namespace detail

// "{61|62|63|64}": the values of --model.
constexpr HelpText<detail::modelChoiceLength() + 1> modelChoice() {
    HelpText<detail::modelChoiceLength() + 1> out;
    std::size_t at = 0;
    out.text[at++] = u'{';
    for (const StationModelRow &m : StationModels) {
        if (&m != &StationModels.front())
            out.text[at++] = u'|';
        for (std::size_t d = detail::digits(m.modelNumber), n = std::size_t(m.modelNumber); d > 0; --d, n /= 10)
            out.text[at + d - 1] = char16_t(u'0' + n % 10);
        at += detail::digits(m.modelNumber);
    }
    out.text[at] = u'}';
    return out;
}
inline constexpr auto ModelChoice = modelChoice();

inline constexpr auto ImportCsvUsage = HelpText(u"tolvin-cli import-csv CSV -o ФАЙЛ --model ") + ModelChoice;
inline constexpr auto ImportCsvSynopsis = HelpText(u"import-csv CSV -o ФАЙЛ --model ") + ModelChoice +
                                          HelpText(u"  каналы из CSV программы CHIRP в файл настроек");
inline constexpr auto TemplateUsage =
    HelpText(u"tolvin-cli template --model ") + ModelChoice + HelpText(u" --count N --start F --step S -o ФАЙЛ");
inline constexpr auto TemplateSynopsis =
    HelpText(u"template --model ") + ModelChoice +
    HelpText(u" --count N --start F --step S -o ФАЙЛ  создать шаблон и записать файл настроек\n"
             u"                   (N каналов с частоты F кГц через S кГц; F и S кратны 6,25 кГц)");

struct CommandHelp {
    const char *name;
    const char16_t *usage;     // after "Использование: " under a complaint about the arguments
    const char16_t *synopsis;  // the usage and what the command does, as the general help shows it
    const char16_t *examples;  // whole command lines, one per line; together they use every option
    // What the command's own help adds to the usage line: the rest of that line, then lines of
    // its own. The examples follow it.
    const char16_t *help = u"";
};

inline constexpr CommandHelp kCommandHelp[] = {
    {"show", u"tolvin-cli show ФАЙЛ", u"show ФАЙЛ        прочитать файл настроек и вывести конфигурацию в JSON",
     u"tolvin-cli show настройки.ini"},
    {"check", u"tolvin-cli check ФАЙЛ",
     u"check ФАЙЛ       проверить данные, как «Контроль», и вывести итоговое сообщение",
     u"tolvin-cli check настройки.ini"},
    {"image", u"tolvin-cli image ФАЙЛ [-o ВЫХОД.bin]",
     u"image ФАЙЛ [-o ВЫХОД.bin]  проверить и вывести байты записи в станцию (hex или в файл)",
     u"tolvin-cli image настройки.ini\n"
     u"tolvin-cli image настройки.ini -o образ.bin"},
    {"write",
     u"tolvin-cli write ФАЙЛ --port ПОРТ [--port ПОРТ ...] [--backup | --backup-dir ПАПКА] [--verify] [--ignore-type] "
     u"[--log ЖУРНАЛ]",
     u"write ФАЙЛ --port ПОРТ [--port ПОРТ ...] [--backup | --backup-dir ПАПКА] [--verify] [--ignore-type]\n"
     u"                   [--log ЖУРНАЛ]\n"
     u"                   проверить и записать в станцию (ПОРТ — устройство или 1/2 для COM1/COM2;\n"
     u"                   несколько --port — во все станции сразу); --backup — сначала резервная копия\n"
     u"                   станции, --verify — после записи прочитать и сравнить; в станцию другого\n"
     u"                   диапазона запись идет только с --ignore-type",
     u"tolvin-cli write настройки.ini --port 1\n"
     u"tolvin-cli write настройки.ini --port 1 --ignore-type\n"
     u"tolvin-cli write настройки.ini --port /dev/ttyUSB0 --backup --verify --log обмен.txt\n"
     u"tolvin-cli write настройки.ini --port /dev/ttyUSB0 --port /dev/ttyUSB1 --backup-dir копии --verify",
     u"\n"
     u"\n"
     u"Проверяет ФАЙЛ, как «Контроль», и записывает его в станцию на ПОРТ (устройство или 1/2 для\n"
     u"COM1/COM2 из T702Options.ini).\n"
     u"  --backup           перед записью прочитать станцию и сохранить ее данные в файл настроек\n"
     u"                     в $XDG_DATA_HOME/tolvin/backups (иначе ~/.local/share/tolvin/backups)\n"
     u"  --backup-dir ПАПКА то же в ПАПКУ\n"
     u"  --verify           после записи прочитать станцию и сравнить с записанным\n"
     u"  --ignore-type      не узнавать тип станции перед записью (без этого параметра запись в\n"
     u"                     станцию другого диапазона не выполняется, код завершения 1)\n"
     u"  --log ЖУРНАЛ       по окончании записать байты обмена в ЖУРНАЛ; при нескольких --port\n"
     u"                     журнал каждого порта в ЖУРНАЛ.УСТРОЙСТВО (например, ЖУРНАЛ.ttyUSB0)\n"
     u"Если копию сделать не удалось, запись не начинается.\n"
     u"С несколькими --port запись идет во все станции одновременно; по строке на порт:\n"
     u"«УСТРОЙСТВО СЕРИЙНЫЙ_НОМЕР ok» или «УСТРОЙСТВО СЕРИЙНЫЙ_НОМЕР причина»\n"
     u"(серийный номер «-», если станция не читалась).\n"
     u"Коды завершения: 0 — записано везде, 1 — станция не ответила, другого диапазона, проверка\n"
     u"не прошла или данные не прошли контроль, 2 — неверные аргументы, файл или порт;\n"
     u"130, 143, 129 — запись прервана сигналом."},
    {"batch",
     u"tolvin-cli batch ФАЙЛ --port ПОРТ [--port ПОРТ ...] (--id-start ID [--id-step N] | --ids ФАЙЛ.csv) [--count N] "
     u"[--name ИМЯ] [--backup | --backup-dir ПАПКА] [--verify]",
     u"batch ФАЙЛ --port ПОРТ [--port ПОРТ ...] (--id-start ID [--id-step N] | --ids ФАЙЛ.csv)\n"
     u"                   [--count N] [--name ИМЯ] [--backup | --backup-dir ПАПКА] [--verify]\n"
     u"                   серия станций: на каждом порту ждать станцию, записать ее со своим Id,\n"
     u"                   проверить, дождаться отключения и взять следующую; одна строка на станцию:\n"
     u"                   «ПОРТ СЕРИЙНЫЙ_НОМЕР Id РЕЗУЛЬТАТ ВРЕМЯ». Id — четыре знака 0-9, A-D, #, *,\n"
     u"                   шаг считается по ним же; --ids — файл «серийный_номер;Id»; резервная\n"
     u"                   копия и проверка после записи делаются всегда; серия с тем же именем\n"
     u"                   (по умолчанию — имя файла) продолжается с того места, где остановилась",
     u"tolvin-cli batch настройки.ini --port /dev/ttyUSB0 --id-start 0101 --count 20\n"
     u"tolvin-cli batch настройки.ini --port 1 --port 2 --id-start 1000 --id-step 2 --name заказ-17 --backup --verify\n"
     u"tolvin-cli batch настройки.ini --port /dev/ttyUSB0 --ids номера.csv --backup-dir копии"},
    {"read", u"tolvin-cli read --port ПОРТ -o ФАЙЛ [--log ЖУРНАЛ]",
     u"read --port ПОРТ -o ФАЙЛ [--log ЖУРНАЛ]  прочитать станцию и записать файл настроек",
     u"tolvin-cli read --port 2 -o станция.ini\n"
     u"tolvin-cli read --port /dev/ttyUSB0 -o станция.ini --log обмен.txt"},
    {"type", u"tolvin-cli type --port ПОРТ [--log ЖУРНАЛ]", u"type --port ПОРТ [--log ЖУРНАЛ]  определить тип станции",
     u"tolvin-cli type --port /dev/ttyUSB0\n"
     u"tolvin-cli type --port 1 --log обмен.txt"},
    {"import-csv", ImportCsvUsage.text, ImportCsvSynopsis.text,
     u"tolvin-cli import-csv chirp.csv -o настройки.ini --model 62"},
    {"export-csv", u"tolvin-cli export-csv ФАЙЛ -o CSV", u"export-csv ФАЙЛ -o CSV  каналы файла настроек в CSV для CHIRP",
     u"tolvin-cli export-csv настройки.ini -o chirp.csv"},
    {"ports", u"tolvin-cli ports", u"ports            последовательные порты этого компьютера (для --port)",
     u"tolvin-cli ports"},
    {"doctor", u"tolvin-cli doctor --port ПОРТ [--loopback]",
     u"doctor --port ПОРТ [--loopback]  проверка линии: почему станция не отвечает и что исправить\n"
     u"                   (устройство, права, другие программы на порту, петля, ответы станции)",
     u"tolvin-cli doctor --port /dev/ttyUSB0\n"
     u"tolvin-cli doctor --port 1 --loopback",
     u"\n"
     u"\n"
     u"Проверяет линию до станции на ПОРТ шаг за шагом и печатает строку на шаг: что найдено и, если\n"
     u"что-то не так, как это исправить.\n"
     u"  устройство         есть ли порт (если нет, какие есть), его имя в /dev/serial/by-id, драйвер\n"
     u"                     и таймер задержки адаптера\n"
     u"  доступ             может ли пользователь открыть порт; если нет, чья это группа, состоит ли\n"
     u"                     в ней пользователь и нужно ли войти в систему заново\n"
     u"  другие программы   какая программа держит порт открытым (ModemManager, brltty, другая\n"
     u"                     программа Толвин) и как ее остановить\n"
     u"  петля              только с --loopback: замкните контакты TX и RX разъема; байты должны\n"
     u"                     вернуться без искажений (адаптер и кабель исправны); затем снимите\n"
     u"                     перемычку и подключите станцию, проверка ждет ее до 30 с\n"
     u"  станция            запрос типа станции, затем 50 запросов первым байтом запроса типа:\n"
     u"                     потери, искажения, лишние байты, медиана и 99-й процентиль задержки\n"
     u"                     ответа против двух байтов линии (16,7 мс)\n"
     u"Последняя строка — итог, например «Линия в порядке: станция 7К-62 отвечает, потерь 0 из 50,\n"
     u"ответ 17,1 мс (линия 16,7 мс)». Проверка записывается в журнал станций (операция doctor).\n"
     u"Коды завершения: 0 — линия в порядке, 1 — найдена неисправность, 2 — неверные аргументы;\n"
     u"130, 143, 129 — проверка прервана сигналом."},
    {"diff", u"tolvin-cli diff ФАЙЛ {--port ПОРТ | ФАЙЛ2}",
     u"diff ФАЙЛ --port ПОРТ  сравнить станцию с файлом настроек: 0 — совпадают, 1 — различия\n"
     u"                   diff ФАЙЛ ФАЙЛ2  сравнить два файла настроек по каналам и установкам: 0 — совпадают,\n"
     u"                   1 — различия (значение ФАЙЛА2 первым)",
     u"tolvin-cli diff настройки.ini --port /dev/ttyUSB0\n"
     u"tolvin-cli diff прежние.ini настройки.ini"},
    {"report", u"tolvin-cli report (ФАЙЛ --serial НОМЕР | --entry ID) -o ВЫХОД.docx|ВЫХОД.pdf",
     u"report ФАЙЛ --serial НОМЕР -o ВЫХОД.docx  проверить и создать протокол программирования\n"
     u"                   (ВЫХОД.pdf — в PDF); с --entry ID — протокол записи журнала с ее\n"
     u"                   номером и SHA-256 конфигурации",
     u"tolvin-cli report настройки.ini --serial S7K62-12345 -o протокол.docx\n"
     u"tolvin-cli report настройки.ini --serial S7K62-12345 -o протокол.pdf\n"
     u"tolvin-cli report --entry 1a7a167e-49dd-4d1f-9342-2757d1fa8d15 -o свидетельство.pdf"},
    {"certify", u"tolvin-cli certify --port ПОРТ",
     u"certify --port ПОРТ  прочитать станцию и сверить с ее последней записью в журнале:\n"
     u"                   0 — совпадает, 1 — отличается (с различиями), 2 — записи нет",
     u"tolvin-cli certify --port /dev/ttyUSB0"},
    {"template", TemplateUsage.text, TemplateSynopsis.text,
     u"tolvin-cli template --model 62 --count 10 --start 145000 --step 25 -o шаблон.ini"},
    {"journal", u"tolvin-cli journal [--serial НОМЕР] [--since ГГГГ-ММ-ДД] [--limit N] [--json]",
     u"journal [--serial S] [--since ГГГГ-ММ-ДД] [--limit N] [--json]  журнал станций, новые записи первыми\n"
     u"                   journal show ID -o ФАЙЛ  конфигурация записи журнала в файл настроек\n"
     u"                   journal sync  отправить в общий журнал записи, ожидающие на этом стенде",
     u"tolvin-cli journal --serial 07A1F3 --limit 20\n"
     u"tolvin-cli journal --since 2026-12-01 --json\n"
     u"tolvin-cli journal show 3f2c9a1e-5b7d-4c1a-9e0f-2a6b8c4d1e7f -o станция.ini\n"
     u"tolvin-cli journal sync",
     u" | show ID -o ФАЙЛ | sync\n"
     u"\n"
     u"Журнал станций: каждая запись, чтение, копия, проверка, сравнение, запрос типа и протокол.\n"
     u"  journal            записи, новые первыми: время, операция, серийный номер, итог, ID,\n"
     u"                     устройство, сообщение\n"
     u"  --serial НОМЕР     только станция с этим серийным номером\n"
     u"  --since ГГГГ-ММ-ДД только записи с этого дня (UTC)\n"
     u"  --limit N          не больше N записей\n"
     u"  --json             массив JSON: id, time, bench, user, operation, device, serial,\n"
     u"                     station_type, result, message, duration_ms, config_sha256\n"
     u"  journal show ID -o ФАЙЛ  конфигурация записи как файл настроек (восстановить станцию:\n"
     u"                     tolvin-cli write ФАЙЛ --port ПОРТ)\n"
     u"  journal sync       отправить в общий журнал записи, ожидающие на этом стенде\n"
     u"Журнал: TOLVIN_JOURNAL или Database= в разделе [Journal] файла tolvin.ini — off,\n"
     u"sqlite:ФАЙЛ или postgresql://…; по умолчанию $XDG_DATA_HOME/tolvin/journal.sqlite.\n"
     u"Коды завершения: 0 — успешно; 1 — sync: общий журнал недоступен или не принял запись, записи ждут;\n"
     u"2 — журнал не открывается, нет такой записи или у нее нет конфигурации."},
};

// The two parts of journal that read arguments of their own; their help is the usage alone.
inline constexpr CommandHelp JournalShowHelp{"journal", u"tolvin-cli journal show ID -o ФАЙЛ", u"", u""};
inline constexpr CommandHelp JournalSyncHelp{"journal", u"tolvin-cli journal sync", u"", u""};

// The entry of a command of the table.
constexpr const CommandHelp &commandHelp(std::string_view name) {
    for (const CommandHelp &c : kCommandHelp)
        if (name == c.name)
            return c;
    throw std::logic_error("tolvin-cli: a command without help");
}

// The options that stand in place of a command.
struct GeneralOptionHelp {
    const char *names;         // as the help lists them, "--help, -h"
    const char16_t *text;
    const char16_t *examples;  // as in CommandHelp
};

inline constexpr GeneralOptionHelp kGeneralOptionHelp[] = {
    {"--help, -h", u"эта справка (и КОМАНДА --help для команды)",
     u"tolvin-cli --help\n"
     u"tolvin-cli write -h"},
    {"--version", u"версия программы", u"tolvin-cli --version"},
};

} // namespace tolvin::cli
