// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/station_readout.h"

#include "image/image_streams.h"
#include "image/synth_word.h"
#include "layout/general_keys.h"
#include "support/unknown_values.h"
#include "table/lists.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tolvin;
using tolvin::test::UnknownTypeCode;

namespace {

QByteArray bytes(std::initializer_list<int> l) {
    QByteArray b;
    for (int v : l)
        b.append(char(v));
    return b;
}

QByteArray word(double kHz, SynthSide side, int band = 2) {
    const SynthWord w = encodeSynthWord(kHz, side, bandRow(band).settings);
    return bytes({w[0], w[1], w[2]});
}

// What a station sends before the records.
QByteArray fixedPart(int channels, int special, uint8_t stationType = 0) {
    StreamImage p;
    p.image.header = {0x01, 0xAB, 0x0C, 11, 8, uint8_t(channels), 200, uint8_t(special), 0x24, 2, 100, 0x12};
    p.image.tones = {70, 75, 100, 120, 140, 155, 170, 199, 210, 255};
    p.image.IdCode = 0x12EF;
    p.ModuleType = 2;
    p.StationType = stationType;
    return encodeReadStream(p).left(ReadStreamFixedLength);
}

QByteArray record(int flagsA, int number, const QByteArray &rx, const QByteArray &tx,
                  std::initializer_list<int> rest) {
    QByteArray r = bytes({flagsA, number}) + rx + tx + bytes(rest);
    r.append(char(0));
    return r;
}

const QByteArray Zero3 = bytes({0, 0, 0});

QStringList cells(std::initializer_list<const char16_t *> l) {
    QStringList out;
    for (auto s : l)
        out << QString::fromUtf16(s);
    return out;
}

} // namespace

TEST(StationReadout, FullAnswer) {
    QByteArray s = fixedPart(3, 1);
    s += record(0x08 | 0x04 | 0x02 | 0x20, 5, word(150000, SynthSide::Receive),
                word(150000, SynthSide::Transmit), {1, 200, 3, 0, 2, 1, 4, 0xFF, 0});
    s += record(0x80 | 0x40, 7, Zero3, word(150006.25, SynthSide::Transmit),
                {1, 200, 0, 10, 6, 2, 3, 0xFA, 15});
    s += record(0x00, 99, word(140000, SynthSide::Receive), Zero3, {0, 85, 11, 255, 1, 1, 1, 0xFB, 1});
    const StationReadout out = readStation(s, bandRow(1).settings);

    EXPECT_TRUE(out.complete);
    EXPECT_EQ(out.StationType, 0);
    EXPECT_EQ(out.ModuleType, 2);
    EXPECT_EQ(out.channelCount, 3);
    EXPECT_EQ(out.memo, cells({u"[Общие установки]", u"Серийный номер=01AB0C", u"Id_номер=12#*",
                               u"Тон1=700", u"Тон2=750", u"Тон3=1000", u"Тон4=1200", u"Тон5=1400",
                               u"Тон6=1550", u"Тон7=1700", u"Тон8=1990", u"Тон9=2100", u"Тон10=2550",
                               u"P_1=5", u"P_2=10", u"P_3=25", u"P_4=40", u"Яркость диодов=3",
                               u"Громкость=8", u"МинГромкость=2", u"Пик_кнопок=+", u"ФВ=24",
                               u"Код_DCS=-", u"Ф_Скан=+", u"Ф_V=-", u"ВУ=+", u"СК=7"}));
    ASSERT_EQ(out.rows.size(), 3u);
    EXPECT_EQ(out.rows[0].cells, cells({u"5", u"150000,00", u"150000,00", u"67,0", u"Нет", u"Нет",
                                        u"Нет", u"3", u"Нет", u"2", u"4", u"1", u"", u"25", u"",
                                        u"Норм", u"Нет", u""}));
    EXPECT_TRUE(out.rows[0].scan);
    EXPECT_TRUE(out.rows[0].active);
    EXPECT_TRUE(out.rows[0].idTone);
    EXPECT_EQ(out.rows[1].cells, cells({u"7", u"РЕТР_ПП", u"150006,25", u"Нет", u"Нет", u"023",
                                        u"Нет", u"Нет", u"10", u"6", u"3", u"2", u"", u"12,5", u"",
                                        u"RSSI", u"15", u""}));
    EXPECT_FALSE(out.rows[1].scan);
    EXPECT_FALSE(out.rows[1].active);
    EXPECT_FALSE(out.rows[1].idTone);
    EXPECT_EQ(out.rows[2].cells, cells({u"99", u"140000,00", u"РЕТР_ПР", u"Нет", u"Нет", u"?0",
                                        u"?85", u"Нет", u"Нет", u"1", u"1", u"1", u"", u"25", u"",
                                        u"OFF", u"1", u""}));
}

TEST(StationReadout, OddBytesGiveDefinedTexts) {
    struct Case { const char *what; QByteArray tail; int channels; int special; QString specialLine; size_t rows; };
    const QByteArray ctcss56 = record(0x08, 1, word(150000, SynthSide::Receive),
                                      word(150000, SynthSide::Transmit), {56, 201, 1, 1, 1, 1, 4, 0xFF, 0});
    const Case cases[] = {
        {"no channels", {}, 0, 0, QStringLiteral("СК="), 0},
        {"special channel past the last record", ctcss56, 1, 1, QStringLiteral("СК="), 1},
        {"special channel far past", ctcss56, 1, 255, QStringLiteral("СК="), 1},
        {"more channels than the image holds", ctcss56.repeated(120), 120, 110, QStringLiteral("СК=1"), 120},
    };
    for (const auto &c : cases) {
        const StationReadout out = readStation(fixedPart(c.channels, c.special) + c.tail, bandRow(1).settings);
        EXPECT_TRUE(out.complete) << c.what;
        EXPECT_EQ(out.memo.filter(QRegularExpression(QStringLiteral("^СК="))), QStringList{c.specialLine}) << c.what;
        ASSERT_EQ(out.rows.size(), c.rows) << c.what;
        if (c.rows > 0) {
            EXPECT_EQ(out.rows.back().cells[ColCtcRx], QStringLiteral("?56")) << c.what;
            EXPECT_EQ(out.rows.back().cells[ColCtcTx], QStringLiteral("?201")) << c.what;
        }
    }
}

TEST(StationReadout, ShortAnswerGivesWhatArrived) {
    const QByteArray full = fixedPart(1, 0) +
        record(0x08, 1, word(150000, SynthSide::Receive), word(150000, SynthSide::Transmit),
               {0, 0, 0, 0, 1, 1, 4, 0xFF, 0});
    // The section's line, then the keys in row order as far as they have come: the serial number
    // and Id with the head, the tones one by one, the other settings with the last byte before
    // the records, and from the special channel on, which names a record, with the records.
    constexpr int Head = ReadPiece::Head, Fixed = ReadStreamFixedLength, All = 1 + int(GeneralKeys.size()),
                  Tones = 1 + int(&generalKey(u"Тон1") - GeneralKeys.data()),
                  Settings = 1 + int(&generalKey(u"СК") - GeneralKeys.data());
    struct Case { int length; int memoLines; bool fixed; bool complete; };
    const Case cases[] = {{0, 1, false, false},
                          {Head - 1, 1, false, false},
                          {Head, Tones, false, false},
                          {Head + 5, Tones + 5, false, false},
                          {Head + ToneCount, Tones + ToneCount, false, false},
                          {Fixed - 1, Tones + ToneCount, false, false},
                          {Fixed, Settings, true, false},
                          {Fixed + RecordSize - 1, Settings, true, false},
                          {Fixed + RecordSize, All, true, true}};
    for (const auto &c : cases) {
        const StationReadout out = readStation(full.left(c.length), bandRow(1).settings);
        EXPECT_EQ(out.memo.size(), c.memoLines) << c.length;
        EXPECT_EQ(out.fixedComplete, c.fixed) << c.length;
        EXPECT_EQ(out.complete, c.complete) << c.length;
        EXPECT_EQ(out.rows.empty(), !c.complete) << c.length;
    }
}

TEST(StationReadout, FrequenciesUseTheBandOfTheReceivedType) {
    // Type 3 is the 400-486 MHz band, whatever band the program is in.
    const QByteArray channel = record(0x08, 1, word(486000, SynthSide::Receive, 4), word(400000, SynthSide::Transmit, 4),
                                      {0, 0, 0, 0, 1, 1, 4, 0xFF, 0});
    StationReadout out = readStation(fixedPart(1, 0, 3) + channel, bandRow(1).settings);
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0].cells[ColRx], QStringLiteral("486000,00"));
    EXPECT_EQ(out.rows[0].cells[ColTx], QStringLiteral("400000,00"));
    // A type that names no band leaves the current band in force.
    out = readStation(fixedPart(1, 0, UnknownTypeCode) + channel, bandRow(4).settings);
    EXPECT_EQ(out.StationType, UnknownTypeCode);
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0].cells[ColRx], QStringLiteral("486000,00"));
}
