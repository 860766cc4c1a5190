#include "image/station_readout.h"

#include "image/image_fields.h"
#include "image/squelch_codes.h"
#include "image/synth_word.h"
#include "table/lists.h"

#include <algorithm>

namespace tolvin {

namespace {

// Bytes of the read stream before the tones: serial, five header bytes, Id.
constexpr int BytesBeforeTones = 10;
constexpr int ToneCount = 10;

QString line(const char16_t *key, const QString &value) {
    return QString::fromUtf16(key) + QLatin1Char('=') + value;
}

QString toneNumberText(uint8_t b) {
    return b >= 1 && b <= 10 ? QString::number(b) : QStringLiteral("Нет");
}

SynthWord wordAt(const ChannelRecord &rec, int first) {
    return {rec[first], rec[first + 1], rec[first + 2]};
}

struct FeatureLine {
    const char16_t *key;
    uint8_t bit;
};
constexpr FeatureLine FeatureLines[] = {
    {u"Ф_Скан", FeatureBit::Scan}, {u"Ф_V", FeatureBit::V}, {u"ВУ", FeatureBit::Vu}};

} // namespace

QString streamSerial(const QByteArray &readStream) {
    if (readStream.size() < HeaderByte::SerialSize)
        return {};
    return serialText(uint8_t(readStream[0]), uint8_t(readStream[1]), uint8_t(readStream[2]));
}

ReadoutRow decodeRecord(const ChannelRecord &rec, const BandSettings &band, uint8_t dcsNumbering) {
    static const QString none = QStringLiteral("Нет");
    ReadoutRow row;
    QStringList &c = row.cells;
    for (int i = 0; i < ColumnCount; ++i)
        c << QString();
    const uint8_t a = rec[RecordByte::FlagsA];
    const uint8_t b = rec[RecordByte::FlagsB];
    c[ColNumber] = QString::number(rec[RecordByte::Number]);
    c[ColRx] = synthWordText(wordAt(rec, RecordByte::RxWord), SynthSide::Receive, band);
    c[ColTx] = synthWordText(wordAt(rec, RecordByte::TxWord), SynthSide::Transmit, band);
    row.scan = a & FlagA::Scan;
    row.active = a & FlagA::Active;
    row.idTone = !(a & FlagA::IdToneOff);
    c[ColSpacing] = (a & FlagA::Narrow) ? QStringLiteral("12,5") : QStringLiteral("25");
    if (a & FlagA::Ctcss) {
        c[ColCtcRx] = ctcssText(rec[RecordByte::RxCode]);
        c[ColCtcTx] = ctcssText(rec[RecordByte::TxCode]);
        c[ColDcsRx] = none;
        c[ColDcsTx] = none;
    } else {
        c[ColCtcRx] = none;
        c[ColCtcTx] = none;
        c[ColDcsRx] = dcsText(rec[RecordByte::RxCode], dcsNumbering);
        c[ColDcsTx] = dcsText(rec[RecordByte::TxCode], dcsNumbering);
    }
    c[ColToneRx] = toneNumberText(rec[RecordByte::RxTone]);
    c[ColToneTx] = toneNumberText(rec[RecordByte::TxTone]);
    c[ColNoise] = QString::number(rec[RecordByte::Noise]);
    c[ColPmin] = QString::number(rec[RecordByte::Pmin]);
    c[ColPmax] = QString::number(rec[RecordByte::Pmax]);
    // "RSSI" wins when both bits are clear.
    c[ColTxOff] = !(b & FlagB::NotRssi) ? QStringLiteral("RSSI")
                  : !(b & FlagB::NotOff) ? QStringLiteral("OFF")
                                         : QStringLiteral("Норм");
    const uint8_t t = rec[RecordByte::Time];
    c[ColTime] = t != 0 ? QString::number(t) : none;
    return row;
}

StationReadout readStation(const QByteArray &stream, const BandSettings &currentBand) {
    StationReadout out;
    out.memo << QStringLiteral("[Общие установки]");
    const StreamDecode d = decodeReadStream(stream, out.parts);
    const auto &h = out.parts.image.header;
    if (d.fixedBytes < BytesBeforeTones)
        return out;
    out.memo << line(u"Серийный номер", serialText(h[0], h[1], h[2]));
    out.memo << line(u"Id_номер", idText(uint8_t(out.parts.image.IdCode >> 8), uint8_t(out.parts.image.IdCode)));
    const int tonesIn = std::min(ToneCount, d.fixedBytes - BytesBeforeTones);
    for (int i = 0; i < tonesIn; ++i)
        out.memo << QStringLiteral("Тон%1=%2").arg(i + 1).arg(toneHertz(out.parts.image.tones[i]));
    if (!d.fixedComplete)
        return out;

    out.fixedComplete = true;
    out.StationType = out.parts.StationType;
    out.ModuleType = out.parts.ModuleType;
    out.channelCount = d.channelCount;
    out.memo << QStringLiteral("P_1=5") << QStringLiteral("P_2=10") << QStringLiteral("P_3=25")
             << QStringLiteral("P_4=40");
    out.memo << line(u"Яркость диодов", brightnessText(h[HeaderByte::Brightness]));
    out.memo << line(u"Громкость", QString::number(h[HeaderByte::Volume]));
    out.memo << line(u"МинГромкость", QString::number(h[HeaderByte::MinVolume]));
    out.memo << line(u"Пик_кнопок", signText(h[HeaderByte::KeyBeep]));
    out.memo << line(u"ФВ", fvText(h[HeaderByte::Fv]));
    out.memo << line(u"Код_DCS", signText(h[HeaderByte::DcsNumbering]));
    for (const FeatureLine &f : FeatureLines)
        out.memo << line(f.key, (h[HeaderByte::Features] & f.bit) ? QStringLiteral("+") : QStringLiteral("-"));
    if (!d.complete)
        return out;

    const int band = bandForStationType(out.StationType);
    const BandSettings &settings = band != 0 ? bandRow(band).settings : currentBand;
    out.rows.reserve(out.channelCount);
    for (int r = 0; r < out.channelCount; ++r) {
        ChannelRecord rec;
        const char *p = stream.constData() + ReadStreamFixedLength + r * RecordSize;
        for (int j = 0; j < RecordSize; ++j)
            rec[j] = uint8_t(p[j]);
        out.rows.push_back(decodeRecord(rec, settings, h[HeaderByte::DcsNumbering]));
    }
    const int special = h[HeaderByte::SpecialChannel];
    out.memo << line(u"СК", special < out.channelCount ? out.rows[special].cells[ColNumber] : QString());
    out.complete = true;
    return out;
}

} // namespace tolvin
