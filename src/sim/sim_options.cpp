#include "sim/sim_options.h"

#include <charconv>
#include <limits>

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

} // namespace

ParsedOptions parseOptions(const QStringList &args) {
    ParsedOptions r;
    Options &o = r.options;
    constexpr qint64 Unlimited = std::numeric_limits<qint64>::max();
    for (int i = 0; i < args.size(); ++i) {
        QString name = args[i];
        std::optional<QString> inlineValue;
        if (const qsizetype eq = name.indexOf(QLatin1Char('=')); name.startsWith(QLatin1String("--")) && eq > 0) {
            inlineValue = name.mid(eq + 1);
            name.truncate(eq);
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
        auto count = [&](qint64 min, qint64 max) -> std::optional<qint64> {
            const std::optional<QString> v = value();
            if (!v)
                return std::nullopt;
            const std::optional<qint64> n = number(*v, min, max);
            if (!n) {
                const QString range = max == Unlimited ? QStringLiteral("не меньше %1").arg(min)
                                                       : QStringLiteral("от %1 до %2").arg(min).arg(max);
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

        if (name == QLatin1String("--type")) {
            if (const auto n = count(0, 255))
                o.type = uint8_t(*n);
        } else if (name == QLatin1String("--memory")) {
            if (const auto v = value()) {
                if (v->isEmpty())
                    r.error = QStringLiteral("Параметру --memory нужно имя файла");
                o.memoryPath = *v;
            }
        } else if (name == QLatin1String("--stop-after")) {
            o.stopAfter = count(0, Unlimited);
        } else if (name == QLatin1String("--hang-up-after")) {
            o.hangUpAfter = count(1, Unlimited);
        } else if (name == QLatin1String("--stop-sending-after")) {
            o.stopSendingAfter = count(0, Unlimited);
        } else if (name == QLatin1String("--flood")) {
            if (const auto n = count(1, 4096))
                o.flood = int(*n);
        } else if (name == QLatin1String("--corrupt-byte")) {
            o.corruptByte = count(1, Unlimited);
        } else if (name == QLatin1String("--line-rate")) {
            flag(o.lineRate);
        } else if (name == QLatin1String("--silent")) {
            flag(o.silent);
        } else if (name == QLatin1String("--garble")) {
            flag(o.garble);
        } else if (name == QLatin1String("--log")) {
            flag(o.log);
        } else if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            flag(o.help);
        } else {
            r.error = QStringLiteral("Неизвестный параметр: %1").arg(args[i]);
        }
        if (!r.error.isEmpty())
            return r;
    }
    return r;
}

QString helpText() {
    return QStringLiteral(
        "Использование: tolvin-sim [ПАРАМЕТРЫ]\n"
        "\n"
        "Имитатор радиостанции «Толвин 7К-61..64» для записи, чтения и запроса типа.\n"
        "Открывает псевдотерминал, первой строкой выводит путь к нему (например /dev/pts/7) —\n"
        "это порт для программы — и работает до Ctrl+C (SIGINT) или SIGTERM.\n"
        "\n"
        "Параметры:\n"
        "  --type N            код типа, который станция сообщает на запрос типа\n"
        "                      (0..255, по умолчанию 0)\n"
        "  --memory ФАЙЛ       память станции в файле: если его нет, создается с памятью по\n"
        "                      умолчанию; перезаписывается после каждой полной записи\n"
        "  --line-rate         скорость линии 1200 бод 8N1: каждый байт в обе стороны\n"
        "                      занимает 1/120 с\n"
        "  --silent            никогда не отвечать\n"
        "  --stop-after N      отвечать только на первые N принятых байтов\n"
        "  --garble            отвечать случайными байтами\n"
        "  --hang-up-after N   закрыть терминал на N-м принятом байте (N >= 1), не ответив\n"
        "                      на него: устройство пропадает у программы\n"
        "  --stop-sending-after N  передать только первые N байтов, затем молчать\n"
        "                      (обрыв посреди ответа на чтение)\n"
        "  --flood N           после каждого ответа еще N случайных байтов (1..4096):\n"
        "                      станция передает больше, чем у нее спросили\n"
        "  --corrupt-byte N    хранить N-й байт каждой записи (N >= 1, считая после\n"
        "                      вступительных байтов) с инвертированными битами, хотя\n"
        "                      ответ на него — принятый байт: неисправная память\n"
        "  --log               каждый принятый (RX) и переданный (TX) байт в hex\n"
        "                      на стандартный вывод ошибок\n"
        "  --help              эта справка\n"
        "\n"
        "После паузы на линии дольше 2 с станция ждет начала нового обмена.\n"
        "Коды завершения: 0 — остановлен сигналом, 1 — не удалось открыть псевдотерминал,\n"
        "2 — неверные параметры или файл памяти.\n"
        "\n"
        "Пример:\n"
        "  tolvin-sim --type 3 --memory station.json --line-rate --log\n");
}

} // namespace tolvin::sim
