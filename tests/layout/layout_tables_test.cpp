// SPDX-License-Identifier: GPL-3.0-or-later
// The layout, model and settings tables agree with each other: a row or a span changed in one place cannot
// silently break the encoder, the read's pieces, the gauge or the type query.
#include "image/image_streams.h"
#include "image/station_readout.h"
#include "layout/general_keys.h"
#include "layout/image_layout.h"
#include "layout/station_models.h"
#include "table/bands.h"
#include "table/template.h"

#include <QSet>
#include <gtest/gtest.h>
#include <map>

using namespace tolvin;

namespace {

// How often each byte of each field travels in a stream.
template <std::size_t N>
std::map<std::pair<StreamField, int>, int> coverage(const std::array<StreamSpan, N> &layout) {
    std::map<std::pair<StreamField, int>, int> seen;
    for (const StreamSpan &s : layout)
        for (int i = 0; i < s.count; ++i)
            ++seen[{s.field, s.first + i}];
    return seen;
}

} // namespace

TEST(LayoutTables, ReadPiecesAndGaugeStepsFollowTheStreams) {
    EXPECT_EQ(ReadPiece::Head + ReadPiece::Tones + ReadPiece::Settings, ReadStreamFixedLength);
    EXPECT_EQ(ReadPiece::Tones, int(std::tuple_size_v<decltype(StationImage::tones)>));
    // The serial number and the channel count arrive with the head, before anything is shown.
    EXPECT_GT(ReadPiece::Head, HeaderByte::ChannelCount);
    EXPECT_LT(0, WriteGaugeStep::Third);
    EXPECT_LT(WriteGaugeStep::Third, WriteGaugeStep::TwoThirds);
    EXPECT_LT(WriteGaugeStep::TwoThirds, WriteStreamFixedLength);
}

TEST(LayoutTables, EveryFieldTravelsOnceInEachDirection) {
    struct Case {
        const char *name;
        std::map<std::pair<StreamField, int>, int> seen;
        int firstHeaderByte;
        int stationTypeCopies;
    };
    const Case cases[] = {
        {"write", coverage(WriteStreamLayout), HeaderByte::Brightness, 3},
        {"read", coverage(ReadStreamLayout), HeaderByte::Serial, 1},
    };
    for (const Case &c : cases) {
        for (int b = 0; b < int(std::tuple_size_v<decltype(StationImage::header)>); ++b)
            EXPECT_EQ(c.seen.count({StreamField::Header, b}) ? c.seen.at({StreamField::Header, b}) : 0,
                      b >= c.firstHeaderByte ? 1 : 0)
                << c.name << " header byte " << b;
        for (int t = 0; t < ReadPiece::Tones; ++t)
            EXPECT_EQ(c.seen.at({StreamField::Tones, t}), 1) << c.name << " tone " << t;
        EXPECT_EQ(c.seen.at({StreamField::IdCode, 0}), 1) << c.name;
        EXPECT_EQ(c.seen.at({StreamField::IdCode, 1}), 1) << c.name;
        EXPECT_EQ(c.seen.at({StreamField::ModuleType, 0}), 1) << c.name;
        int copies = 0;
        for (const auto &[field, n] : c.seen)
            if (field.first == StreamField::StationType)
                copies += n;
        EXPECT_EQ(copies, c.stationTypeCopies) << c.name;
    }
}

TEST(LayoutTables, EveryModelRowIsConsistent) {
    QSet<int> codes, numbers, items;
    for (size_t i = 0; i < StationModels.size(); ++i) {
        const StationModelRow &m = StationModels[i];
        SCOPED_TRACE(m.modelNumber);
        EXPECT_EQ(m.band, int(i) + 1) << "rows are in band order";
        EXPECT_EQ(bandRow(m.band).settings.BandLow, m.bandLow);
        EXPECT_EQ(bandRow(m.band).stationType, m.typeCode);
        EXPECT_TRUE(QString::fromUtf16(m.title).endsWith(QString::number(m.modelNumber)));
        EXPECT_LT(m.bandLow, m.bandHigh);
        EXPECT_GT(m.prescalerModulus, 0);
        EXPECT_NE(m.menuItem, InertBandMenuItem);
        EXPECT_LT(m.menuItem, BandMenuItems);
        EXPECT_FALSE(items.contains(m.menuItem));
        items << m.menuItem;
        EXPECT_FALSE(numbers.contains(m.modelNumber));
        numbers << m.modelNumber;
        for (uint8_t code : {m.typeCode, m.otherTypeCode}) {
            if (code == StationModelRow::NoOtherCode)
                continue;
            EXPECT_FALSE(codes.contains(code)) << "type code " << int(code) << " names two models";
            codes << code;
            EXPECT_EQ(modelOfType(code), &m);
            EXPECT_EQ(bandForStationType(code), m.band);
            const std::span<const uint8_t> opening = m.opening();
            EXPECT_EQ(openingSequence(code), QByteArray(reinterpret_cast<const char *>(opening.data()),
                                                        qsizetype(opening.size())));
        }
    }
    EXPECT_EQ(modelOfType(StationModelRow::NoOtherCode), nullptr);
    EXPECT_TRUE(openingSequence(9).isEmpty());
    // A station tells the type query from a short write opening only by the byte before it.
    EXPECT_EQ(TypeQuerySequence[1], ShortOpening[0]);
}

TEST(LayoutTables, EveryGeneralKeyRowHasItsPlaceInTheImage) {
    constexpr int HeaderBytes = int(std::tuple_size_v<decltype(StationImage::header)>);
    std::map<int, int> headerUsers;
    uint8_t featureBits = 0;
    QSet<int> tones;
    QSet<QString> names;
    for (const GeneralKey &k : GeneralKeys) {
        const QString name = QString::fromUtf16(k.key);
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(names.contains(name));
        names << name;
        EXPECT_TRUE(k.fileDefault != nullptr);
        EXPECT_EQ(k.templateDefault == nullptr, k.field == GeneralField::Serial) << "only the serial is not templated";
        EXPECT_LT(k.headerByte, HeaderBytes);
        if (k.headerByte >= 0 && k.field != GeneralField::Serial) {
            EXPECT_GE(k.headerByte, HeaderByte::Brightness);
            EXPECT_NE(k.headerByte, HeaderByte::ChannelCount) << "the count comes from the table";
            ++headerUsers[k.headerByte];
        }
        switch (k.field) {
        case GeneralField::Feature:
            EXPECT_EQ(k.headerByte, HeaderByte::Features);
            EXPECT_EQ(k.bit & (k.bit - 1), 0) << "one bit";
            EXPECT_EQ(featureBits & k.bit, 0) << "a bit of its own";
            featureBits |= k.bit;
            break;
        case GeneralField::Tone:
            EXPECT_LT(k.bit, ReadPiece::Tones);
            EXPECT_FALSE(tones.contains(k.bit));
            tones << k.bit;
            break;
        case GeneralField::Id:
        case GeneralField::Power:
            EXPECT_EQ(k.headerByte, GeneralKey::NoHeaderByte);
            break;
        default:
            EXPECT_NE(k.headerByte, GeneralKey::NoHeaderByte);
        }
    }
    EXPECT_EQ(tones.size(), ReadPiece::Tones);
    // Every header byte the check writes belongs to settings; only the switches share one.
    for (int b = HeaderByte::Brightness; b < HeaderBytes; ++b)
        EXPECT_EQ(headerUsers[b], b == HeaderByte::ChannelCount ? 0 : b == HeaderByte::Features ? 3 : 1) << "byte " << b;
}

// A read of a whole stream shows every key once, in the rows' order, and a new template writes
// the same keys in the same order (without the serial number, which only a station has).
TEST(LayoutTables, TheReadAndTheTemplateShowTheKeysInRowOrder) {
    StreamImage parts;
    parts.image.header[HeaderByte::ChannelCount] = 1;
    parts.image.records[0][RecordByte::Number] = 1;
    const StationReadout read = readStation(encodeReadStream(parts), bandRow(2).settings);
    ASSERT_TRUE(read.complete);
    const auto keysOf = [](const QStringList &memo) {
        QStringList keys;
        for (const QString &l : memo.mid(1))
            keys << l.left(l.indexOf(QLatin1Char('=')));
        return keys;
    };
    QStringList rows;
    for (const GeneralKey &k : GeneralKeys)
        rows << QString::fromUtf16(k.key);
    EXPECT_EQ(read.memo.value(0), QStringLiteral("[Общие установки]"));
    EXPECT_EQ(keysOf(read.memo), rows);
    EXPECT_EQ(keysOf(defaultSettingsLines()), rows.mid(1));
    EXPECT_EQ(read.memo.last(), QStringLiteral("СК=1"));
}
