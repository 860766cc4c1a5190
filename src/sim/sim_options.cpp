// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_options.h"

#include "table/bands.h"

#include <charconv>

namespace tolvin::sim {

namespace {

std::optional<qint64> number(const QString &text, qint64 min, qint64 max) {
    const QByteArray b = text.toLatin1();
    qint64 v = 0;
    const auto [end, ec] = std::from_chars(b.constData(), b.constData() + b.size(), v);
    if (b.isEmpty() || ec != std::errc() || end != b.constData() + b.size() || v < min || v > max)
        return std::nullopt;
    return v;
}

const OptionEntry *findOption(const QString &name) {
    for (const OptionEntry &entry : kOptions)
        if (name == QLatin1String(entry.name) || (entry.alias && name == QLatin1String(entry.alias)))
            return &entry;
    return nullptr;
}

} // namespace

ParsedOptions parseOptions(const QStringList &args) {
    ParsedOptions r;
    Options &o = r.options;
    for (int i = 0; i < args.size(); ++i) {
        QString name = args[i];
        std::optional<QString> inlineValue;
        if (const qsizetype eq = name.indexOf(QLatin1Char('=')); name.startsWith(QLatin1String("--")) && eq > 0) {
            inlineValue = name.mid(eq + 1);
            name.truncate(eq);
        }
        const OptionEntry *entry = findOption(name);
        if (!entry) {
            r.error = QStringLiteral("Неизвестный параметр: %1").arg(args[i]);
            return r;
        }
        // The value of an option that takes one, or an error naming it.
        auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            r.error = QStringLiteral("Параметру %1 нужно значение").arg(name);
            return std::nullopt;
        };
        auto count = [&]() -> std::optional<qint64> {
            const std::optional<QString> v = value();
            if (!v)
                return std::nullopt;
            const std::optional<qint64> n = number(*v, entry->min, entry->max);
            if (!n) {
                const QString range = entry->max == Unlimited ? QStringLiteral("не меньше %1").arg(entry->min)
                                                              : QStringLiteral("от %1 до %2").arg(entry->min).arg(entry->max);
                r.error = QStringLiteral("Значение параметра %1 должно быть целым числом %2, а не «%3»")
                              .arg(name, range, *v);
            }
            return n;
        };
        auto flag = [&](bool &target) {
            if (inlineValue)
                r.error = QStringLiteral("Параметр %1 не принимает значения").arg(name);
            target = true;
        };

        switch (entry->id) {
        case OptionId::Type:
            if (const auto n = count())
                o.type = uint8_t(*n);
            break;
        case OptionId::Memory:
            if (const auto v = value()) {
                if (v->isEmpty())
                    r.error = QStringLiteral("Параметру --memory нужно имя файла");
                o.memoryPath = *v;
            }
            break;
        case OptionId::Stations:
            if (const auto n = count())
                o.stations = int(*n);
            break;
        case OptionId::SwapPause:
            if (const auto n = count())
                o.swapPauseMs = int(*n);
            break;
        case OptionId::MemoryDir:
            if (const auto v = value()) {
                if (v->isEmpty())
                    r.error = QStringLiteral("Параметру --memory-dir нужно имя папки");
                o.memoryDir = *v;
            }
            break;
        case OptionId::StopAfter: o.stopAfter = count(); break;
        case OptionId::HangUpAfter: o.hangUpAfter = count(); break;
        case OptionId::StopSendingAfter: o.stopSendingAfter = count(); break;
        case OptionId::Flood:
            if (const auto n = count())
                o.flood = int(*n);
            break;
        case OptionId::CorruptByte: o.corruptByte = count(); break;
        case OptionId::ReplyDelay:
            if (const auto n = count())
                o.replyDelayMs = int(*n);
            break;
        case OptionId::LineRate: flag(o.lineRate); break;
        case OptionId::Silent: flag(o.silent); break;
        case OptionId::Garble: flag(o.garble); break;
        case OptionId::StoreEachByte: flag(o.storeEachByte); break;
        case OptionId::Log: flag(o.log); break;
        case OptionId::Help: flag(o.help); break;
        }
        if (!r.error.isEmpty())
            return r;
    }
    // One file cannot hold a series, and a series has no one file.
    if (!o.memoryPath.isEmpty() && !o.memoryDir.isEmpty())
        r.error = QStringLiteral("Параметры --memory и --memory-dir вместе не даются: --memory — файл одной станции, "
                                 "--memory-dir — папка с файлом для каждой станции серии");
    else if (!o.memoryPath.isEmpty() && o.stations > 1)
        r.error = QStringLiteral("Параметр --memory хранит память одной станции; для серии станций (--stations %1) "
                                 "дайте --memory-dir ПАПКА")
                      .arg(o.stations);
    return r;
}

QString helpText() {
    // Descriptions start in one column; a name too long for it pushes its first line on.
    constexpr int TextColumn = 22;
    const QString indent(TextColumn, QLatin1Char(' '));
    QString options;
    for (const OptionEntry &entry : kOptions) {
        QString head = QStringLiteral("  ") + QLatin1String(entry.name);
        if (entry.alias)
            head += QStringLiteral(", ") + QLatin1String(entry.alias);
        if (entry.value)
            head += QLatin1Char(' ') + QString::fromUtf16(entry.value);
        head = head.size() < TextColumn ? head.leftJustified(TextColumn) : head + QStringLiteral("  ");
        const QStringList lines = QString::fromUtf16(entry.text).split(QLatin1Char('\n'));
        options += head + lines.first() + QLatin1Char('\n');
        for (qsizetype i = 1; i < lines.size(); ++i)
            options += indent + lines.at(i) + QLatin1Char('\n');
        options += QStringLiteral("    пример: ") + QString::fromUtf16(entry.example) + QLatin1Char('\n');
    }
    return QStringLiteral(
               "Использование: tolvin-sim [ПАРАМЕТРЫ]\n"
               "\n"
               "Имитатор радиостанции «%1» для записи, чтения и запроса типа.\n"
               "Открывает псевдотерминал, первой строкой выводит путь к нему (например /dev/pts/7) —\n"
               "это порт для программы — и работает до Ctrl+C (SIGINT) или SIGTERM.\n"
               "\n"
               "Параметры (значение можно дать и через «=»: --type=3):\n")
               .arg(modelFamily()) +
           options +
           QStringLiteral(
               "\n"
               "После паузы на линии дольше 2 с станция ждет начала нового обмена.\n"
               "Коды завершения: 0 — остановлен сигналом, 1 — не удалось открыть псевдотерминал,\n"
               "2 — неверные параметры или файл памяти.\n"
               "\n"
               "Пример: станция в одном терминале, запись в нее из другого\n"
               "  tolvin-sim --type 3 --memory station.json --line-rate --log\n"
               "  tolvin-cli write настройки.ini --port /dev/pts/7\n");
}

} // namespace tolvin::sim
