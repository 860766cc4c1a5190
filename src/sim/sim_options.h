// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// tolvin-sim's command line. Other tools start the simulator from scripts, so the option names
// and their meaning are a contract.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <limits>
#include <optional>

namespace tolvin::sim {

struct Options {
    uint8_t type = 0;                   // --type: the code the type query answers
    QString memoryPath;                 // --memory: empty keeps the memory in the process only
    int stations = 1;                   // --stations N: a series; one station stays on the line
    int swapPauseMs = 2000;             // --swap-pause MS
    QString memoryDir;                  // --memory-dir: a file for each station of the series
    bool lineRate = false;              // --line-rate
    bool silent = false;                // --silent
    std::optional<qint64> stopAfter;    // --stop-after N
    bool garble = false;                // --garble
    std::optional<qint64> hangUpAfter;  // --hang-up-after N
    std::optional<qint64> stopSendingAfter; // --stop-sending-after N
    int flood = 0;                      // --flood N
    int replyDelayMs = 0;               // --reply-delay MS
    std::optional<qint64> corruptByte;  // --corrupt-byte N
    bool storeEachByte = false;         // --store-each-byte
    bool log = false;                   // --log
    bool help = false;                  // --help
};

enum class OptionId { Type, Memory, Stations, SwapPause, MemoryDir, LineRate, ReplyDelay, Silent, StopAfter, Garble, HangUpAfter, StopSendingAfter,
                      Flood, CorruptByte, StoreEachByte, Log, Help };

// One option as the parser takes it and the help shows it. The parser knows no name that is not
// here, so an option cannot be added without its line of help and its example.
struct OptionEntry {
    OptionId id;
    const char *name;
    const char *alias;          // another name, or nullptr
    const char16_t *value;      // what the help calls the value, nullptr for a flag
    qint64 min;                 // the range of a numeric value
    qint64 max;
    const char16_t *text;       // the help's description, lines joined by '\n'
    const char16_t *example;    // a command line a shell can run
};

inline constexpr qint64 Unlimited = std::numeric_limits<qint64>::max();

inline constexpr OptionEntry kOptions[] = {
    {OptionId::Type, "--type", nullptr, u"N", 0, 255,
     u"код типа, который станция сообщает на запрос типа\n"
     u"(0..255, по умолчанию 0): 0 — 7К-62, 1 и 2 — 7К-61,\n"
     u"3 — 7К-64, 4 — 7К-63, другой код программа не узнает",
     u"tolvin-sim --type 3"},
    {OptionId::Memory, "--memory", nullptr, u"ФАЙЛ", 0, 0,
     u"память станции в файле: если его нет, создается с памятью по\n"
     u"умолчанию; перезаписывается после каждой полной записи",
     u"tolvin-sim --memory станция.json"},
    {OptionId::Stations, "--stations", nullptr, u"N", 1, 9999,
     u"серия из N станций на одной линии, как на верстаке (1..9999;\n"
     u"по умолчанию 1 — одна станция, которая не уходит): станция,\n"
     u"получившая полную запись, отключается, как только прошла\n"
     u"пауза --swap-pause и обмен с ней (чтение после записи) окончен;\n"
     u"линия молчит еще паузу, и отвечает следующая — с новой памятью\n"
     u"и номером на 1 больше: 070001, 070002, ...; после N-й — тишина",
     u"tolvin-sim --stations 3"},
    {OptionId::SwapPause, "--swap-pause", nullptr, u"МС", 1, 600000,
     u"пауза смены станции в серии, мс (1..600000, по умолчанию\n"
     u"2000): столько станция остается после полной записи и\n"
     u"столько линия молчит до следующей",
     u"tolvin-sim --stations 3 --swap-pause 1000"},
    {OptionId::MemoryDir, "--memory-dir", nullptr, u"ПАПКА", 0, 0,
     u"память каждой станции в файле ПАПКА/<серийный номер>.json\n"
     u"(как у --memory): создается, когда станция появляется;\n"
     u"станция, чей файл уже есть, начинает с него — серию можно\n"
     u"продолжить; не вместе с --memory",
     u"tolvin-sim --stations 3 --memory-dir станции"},
    {OptionId::LineRate, "--line-rate", nullptr, nullptr, 0, 0,
     u"скорость линии 1200 бод 8N1: каждый байт в обе стороны\n"
     u"занимает 1/120 с",
     u"tolvin-sim --line-rate"},
    {OptionId::ReplyDelay, "--reply-delay", nullptr, u"МС", 1, 1000,
     u"передавать ответы, как USB-адаптер с таймером задержки\n"
     u"МС миллисекунд: пачками на каждом его такте (1..1000)",
     u"tolvin-sim --line-rate --reply-delay 16"},
    {OptionId::Silent, "--silent", nullptr, nullptr, 0, 0,
     u"никогда не отвечать",
     u"tolvin-sim --silent"},
    {OptionId::StopAfter, "--stop-after", nullptr, u"N", 0, Unlimited,
     u"отвечать только на первые N принятых байтов",
     u"tolvin-sim --stop-after 2"},
    {OptionId::Garble, "--garble", nullptr, nullptr, 0, 0,
     u"отвечать случайными байтами",
     u"tolvin-sim --garble"},
    {OptionId::HangUpAfter, "--hang-up-after", nullptr, u"N", 1, Unlimited,
     u"закрыть терминал на N-м принятом байте (N >= 1), не ответив\n"
     u"на него: устройство пропадает у программы",
     u"tolvin-sim --hang-up-after 3"},
    {OptionId::StopSendingAfter, "--stop-sending-after", nullptr, u"N", 0, Unlimited,
     u"передать только первые N байтов, затем молчать\n"
     u"(обрыв посреди ответа на чтение)",
     u"tolvin-sim --stop-sending-after 100"},
    {OptionId::Flood, "--flood", nullptr, u"N", 1, 4096,
     u"после каждого ответа еще N случайных байтов (1..4096):\n"
     u"станция передает больше, чем у нее спросили",
     u"tolvin-sim --flood 5"},
    {OptionId::CorruptByte, "--corrupt-byte", nullptr, u"N", 1, Unlimited,
     u"хранить N-й байт каждой записи (N >= 1, считая после\n"
     u"вступительных байтов) с инвертированными битами, хотя\n"
     u"ответ на него — принятый байт: неисправная память",
     u"tolvin-sim --corrupt-byte 20"},
    {OptionId::StoreEachByte, "--store-each-byte", nullptr, nullptr, 0, 0,
     u"заносить в память каждый байт записи, как только он принят,\n"
     u"а не всю запись в конце: оборванная запись оставляет память\n"
     u"записанной наполовину (с --memory файл обновляется на каждом байте)",
     u"tolvin-sim --store-each-byte --hang-up-after 300"},
    {OptionId::Log, "--log", nullptr, nullptr, 0, 0,
     u"каждый принятый (RX) и переданный (TX) байт в hex\n"
     u"на стандартный вывод ошибок",
     u"tolvin-sim --log 2> обмен.txt"},
    {OptionId::Help, "--help", "-h", nullptr, 0, 0,
     u"эта справка",
     u"tolvin-sim --help"},
};

struct ParsedOptions {
    Options options;
    QString error;  // empty when the command line was good
};

// Takes "--name value" and "--name=value" forms.
ParsedOptions parseOptions(const QStringList &args);

QString helpText();

} // namespace tolvin::sim
