// The layout and model tables agree with each other: a row or a span changed in one place cannot
// silently break the encoder, the read's pieces, the gauge or the type query.
#include "image/image_streams.h"
#include "layout/image_layout.h"
#include "layout/station_models.h"
#include "table/bands.h"

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
