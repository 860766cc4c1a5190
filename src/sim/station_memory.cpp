// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/station_memory.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "image/image_fields.h"
#include "image/synth_word.h"
#include "table/bands.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace tolvin {

namespace {

const QString FormatName = QStringLiteral("tolvin-sim memory 1");

// The template's tones in Hz, "Тон1" to "Тон10".
constexpr int DefaultTones[10] = {700, 750, 1000, 1200, 1400, 1550, 1700, 1989, 2100, 2400};
constexpr int DefaultChannels = 4;
constexpr int FirstSerial = 70001;

// Qt's own texts for these are English.
QString jsonErrorText(QJsonParseError::ParseError e) {
    switch (e) {
    case QJsonParseError::UnterminatedObject: return QStringLiteral("объект не закрыт");
    case QJsonParseError::MissingNameSeparator: return QStringLiteral("нет двоеточия после имени");
    case QJsonParseError::UnterminatedArray: return QStringLiteral("массив не закрыт");
    case QJsonParseError::MissingValueSeparator: return QStringLiteral("нет запятой между значениями");
    case QJsonParseError::IllegalValue: return QStringLiteral("недопустимое значение");
    case QJsonParseError::TerminationByNumber: return QStringLiteral("файл оборван на числе");
    case QJsonParseError::IllegalNumber: return QStringLiteral("недопустимое число");
    case QJsonParseError::IllegalEscapeSequence: return QStringLiteral("недопустимая escape-последовательность");
    case QJsonParseError::IllegalUTF8String: return QStringLiteral("недопустимый текст UTF-8");
    case QJsonParseError::UnterminatedString: return QStringLiteral("строка не закрыта");
    case QJsonParseError::MissingObject: return QStringLiteral("ожидался объект");
    case QJsonParseError::DeepNesting: return QStringLiteral("слишком глубокая вложенность");
    case QJsonParseError::DocumentTooLarge: return QStringLiteral("документ слишком велик");
    case QJsonParseError::GarbageAtEnd: return QStringLiteral("лишние символы после конца документа");
    case QJsonParseError::NoError: break;
    }
    return QStringLiteral("ошибка разбора %1").arg(int(e));
}

ChannelRecord simplexChannel(int number, double kHz, const BandSettings &band) {
    ChannelRecord r{};
    r[RecordByte::FlagsA] = FlagA::NoTxTone | FlagA::NoRxTone | FlagA::Ctcss | FlagA::Active | FlagA::Scan;
    r[RecordByte::Number] = uint8_t(number);
    const SynthWord rx = encodeSynthWord(kHz, SynthSide::Receive, band);
    const SynthWord tx = encodeSynthWord(kHz, SynthSide::Transmit, band);
    for (int j = 0; j < 3; ++j) {
        r[RecordByte::RxWord + j] = rx[j];
        r[RecordByte::TxWord + j] = tx[j];
    }
    r[RecordByte::RxCode] = NoSquelchCode;
    r[RecordByte::TxCode] = NoSquelchCode;
    r[RecordByte::Noise] = 1;
    r[RecordByte::Pmin] = 1;
    r[RecordByte::Pmax] = 4;
    r[RecordByte::FlagsB] = FlagB::Initial;
    return r;
}

template <typename Bytes>
QString hexText(const Bytes &bytes) {
    QStringList parts;
    for (uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

struct Parser {
    const QJsonObject &obj;
    const QString &path;

    [[noreturn]] void fail(const QString &what) const {
        throw IoError(QStringLiteral("Файл памяти станции %1 поврежден: %2").arg(path, what));
    }

    // Exactly size bytes written as two hex digits each, separated by blanks.
    template <std::size_t N>
    void bytes(const QString &text, const QString &name, std::array<uint8_t, N> &out) const {
        const QStringList tokens = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (tokens.size() != qsizetype(N))
            fail(QStringLiteral("в поле %1 должно быть %2 байт, а не %3").arg(name).arg(N).arg(tokens.size()));
        for (std::size_t i = 0; i < N; ++i) {
            bool ok = false;
            const QString &t = tokens[qsizetype(i)];
            const uint v = t.toUInt(&ok, 16);
            if (t.size() != 2 || !ok)
                fail(QStringLiteral("в поле %1 байт %2 «%3» не является двумя шестнадцатеричными цифрами")
                         .arg(name)
                         .arg(i + 1)
                         .arg(t));
            out[i] = uint8_t(v);
        }
    }

    template <std::size_t N>
    void field(const QString &name, std::array<uint8_t, N> &out) const {
        const QJsonValue v = obj.value(name);
        if (!v.isString())
            fail(QStringLiteral("нет поля %1").arg(name));
        bytes(v.toString(), name, out);
    }

    uint8_t byte(const QString &name) const {
        const QJsonValue v = obj.value(name);
        if (!v.isDouble() || v.toDouble() != double(v.toInt(-1)) || v.toInt(-1) < 0 || v.toInt(-1) > 255)
            fail(QStringLiteral("поле %1 должно быть числом от 0 до 255").arg(name));
        return uint8_t(v.toInt());
    }
};

} // namespace

std::array<uint8_t, HeaderByte::SerialSize> factorySerial(int place) {
    std::array<uint8_t, HeaderByte::SerialSize> serial{};
    int number = FirstSerial + place;
    for (int i = HeaderByte::SerialSize - 1; i >= 0; --i, number /= 100)
        serial[size_t(i)] = uint8_t((number / 10 % 10) << 4 | number % 10);
    return serial;
}

StreamImage defaultStationMemory(uint8_t typeCode, int place) {
    const int bandNumber = bandForStationType(typeCode);
    const BandSettings band = bandRow(bandNumber != 0 ? bandNumber : 2).settings;
    StreamImage m;
    auto &h = m.image.header;
    const auto serial = factorySerial(place);
    std::copy(serial.begin(), serial.end(), h.begin() + HeaderByte::Serial);
    h[HeaderByte::Brightness] = brightnessByte(1);
    h[HeaderByte::Volume] = 8;
    h[HeaderByte::ChannelCount] = DefaultChannels;
    h[HeaderByte::KeyBeep] = signByte(true);
    h[HeaderByte::SpecialChannel] = 0;
    h[HeaderByte::Fv] = fvByte(0, 0);
    h[HeaderByte::MinVolume] = 0;
    h[HeaderByte::DcsNumbering] = signByte(true);
    h[HeaderByte::Features] = FeatureBit::Scan | FeatureBit::V;
    for (int i = 0; i < 10; ++i)
        m.image.tones[i] = toneByte(DefaultTones[i]);
    m.image.IdCode = 0x0001;
    for (int i = 0; i < DefaultChannels; ++i)
        m.image.records[i] = simplexChannel(i + 1, band.BandLow + 5000.0 * (i + 1), band);
    m.ModuleType = 0;
    m.StationType = typeCode;
    return m;
}

QByteArray formatStationMemory(const StreamImage &memory) {
    QJsonObject o;
    o.insert(QStringLiteral("format"), FormatName);
    o.insert(QStringLiteral("header"), hexText(memory.image.header));
    o.insert(QStringLiteral("tones"), hexText(memory.image.tones));
    o.insert(QStringLiteral("idCode"), hexText(std::array<uint8_t, 2>{uint8_t(memory.image.IdCode >> 8),
                                                                       uint8_t(memory.image.IdCode & 0xFF)}));
    o.insert(QStringLiteral("moduleType"), memory.ModuleType);
    o.insert(QStringLiteral("stationType"), memory.StationType);
    // Only the records a read would send; the rest of the station's memory has no meaning.
    QJsonArray records;
    const int n = std::min<int>(memory.image.header[HeaderByte::ChannelCount], MaxChannels);
    for (int r = 0; r < n; ++r)
        records.append(hexText(memory.image.records[r]));
    o.insert(QStringLiteral("records"), records);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

StreamImage parseStationMemory(const QByteArray &text, const QString &path) {
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &err);
    if (err.error != QJsonParseError::NoError)
        throw IoError(QStringLiteral("Файл памяти станции %1 поврежден: ошибка JSON в позиции %2 (%3)")
                          .arg(path)
                          .arg(err.offset)
                          .arg(jsonErrorText(err.error)));
    const QJsonObject o = doc.object();
    const Parser p{o, path};
    if (!doc.isObject() || o.value(QStringLiteral("format")).toString() != FormatName)
        p.fail(QStringLiteral("нет отметки формата \"%1\"").arg(FormatName));
    StreamImage m;
    p.field(QStringLiteral("header"), m.image.header);
    p.field(QStringLiteral("tones"), m.image.tones);
    std::array<uint8_t, 2> id{};
    p.field(QStringLiteral("idCode"), id);
    m.image.IdCode = uint16_t((id[0] << 8) | id[1]);
    m.ModuleType = p.byte(QStringLiteral("moduleType"));
    m.StationType = p.byte(QStringLiteral("stationType"));
    const QJsonArray records = o.value(QStringLiteral("records")).toArray();
    const int n = std::min<int>(m.image.header[HeaderByte::ChannelCount], MaxChannels);
    if (records.size() != n)
        p.fail(QStringLiteral("записей каналов %1, а в заголовке %2").arg(records.size()).arg(n));
    for (int r = 0; r < n; ++r)
        p.bytes(records[r].toString(), QStringLiteral("records[%1]").arg(r), m.image.records[r]);
    return m;
}

StreamImage loadOrCreateStationMemory(const QString &path, uint8_t typeCode, int place) {
    if (!QFileInfo::exists(path)) {
        const StreamImage m = defaultStationMemory(typeCode, place);
        saveStationMemory(path, m);
        return m;
    }
    return parseStationMemory(readFileBytes(path), path);
}

void saveStationMemory(const QString &path, const StreamImage &memory) {
    writeFileAtomically(path, formatStationMemory(memory));
}

} // namespace tolvin
