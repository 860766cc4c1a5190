// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/station_readout.h"

#include "image/image_fields.h"
#include "image/squelch_codes.h"
#include "image/synth_word.h"
#include "table/lists.h"

#include <algorithm>

namespace tolvin {

namespace {

// Where the tones start in the read stream: serial, five header bytes and Id come first.
constexpr int TonesStart = spanEnd(ReadStreamLayout, StreamField::Tones) - spanCount(ReadStreamLayout, StreamField::Tones);
static_assert(TonesStart == spanEnd(ReadStreamLayout, StreamField::IdCode));

QString line(const char16_t *key, const QString &value) {
    return QString::fromUtf16(key) + QLatin1Char('=') + value;
}

QString toneNumberText(uint8_t b) {
    return b >= 1 && b <= 10 ? QString::number(b) : QStringLiteral("Нет");
}

SynthWord wordAt(const ChannelRecord &rec, int first) {
    return {rec[first], rec[first + 1], rec[first + 2]};
}

// Whether so much of the stream has come that the read can show `key`: serial and Id come first,
// the tones one by one, the rest of the header with the fixed part, and the special channel,
// which names a record, only with the records.
bool readIn(const GeneralKey &key, const StreamDecode &d) {
    switch (key.field) {
    case GeneralField::Serial:
    case GeneralField::Id:
        return d.fixedBytes >= TonesStart;
    case GeneralField::Tone:
        return d.fixedBytes >= TonesStart + key.bit + 1;
    case GeneralField::SpecialChannel:
        return d.complete;
    default:
        return d.fixedComplete;
    }
}

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
    if (d.fixedComplete) {
        out.fixedComplete = true;
        out.StationType = out.parts.StationType;
        out.ModuleType = out.parts.ModuleType;
        out.channelCount = d.channelCount;
    }
    QString special;
    if (d.complete) {
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
        const int position = h[HeaderByte::SpecialChannel];
        if (position < out.channelCount)
            special = out.rows[position].cells[ColNumber];
        out.complete = true;
    }
    for (const GeneralKey &k : GeneralKeys) {
        if (!readIn(k, d))
            break;
        out.memo << line(k.key, generalKeyText(k, out.parts.image, special));
    }
    return out;
}

} // namespace tolvin
