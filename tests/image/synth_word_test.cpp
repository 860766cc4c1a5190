// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/synth_word.h"

#include "table/bands.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace tolvin;

namespace {
const BandSettings &band(int b) { return bandRow(b).settings; }

QString printed(double kHz) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%6.2f", kHz);
    return QString::fromLatin1(buf).replace(QLatin1Char('.'), QLatin1Char(','));
}
} // namespace

TEST(SynthWord, HandCheckedWords) {
    struct Case { int band; double kHz; SynthSide side; SynthWord word; const char *text; };
    const Case cases[] = {
        // P = 195000 / 6,25 = 31200, N = 975, A = 0.
        {2, 150000, SynthSide::Receive, {0x11, 0xE7, 0x81}, "150000,00"},
        // P = 4800, N = 600 (even), A = 0.
        {1, 30000, SynthSide::Transmit, {0x11, 0x2C, 0x01}, "30000,00"},
        // P = 40706,25 / 6,25 = 6513, N = 814, A = 1.
        {1, 30006.25, SynthSide::Receive, {0x11, 0x97, 0x05}, "30006,25"},
        // Negative offset: P = (486000 - 45000) / 6,25 = 70560, N = 2205 (odd), A = 0.
        {4, 486000, SynthSide::Receive, {0x14, 0x4E, 0x81}, "486000,00"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(encodeSynthWord(c.kHz, c.side, band(c.band)), c.word) << c.kHz;
        EXPECT_EQ(synthWordText(c.word, c.side, band(c.band)), QString::fromLatin1(c.text));
    }
}

TEST(SynthWord, EveryBandRoundTripsAtItsLimitsAndOnTheRaster) {
    for (const BandRow &row : bandTable()) {
        const BandSettings &b = row.settings;
        const double points[] = {double(b.BandLow), b.BandLow + 6.25, b.BandLow + 12.5,
                                 b.BandLow + 1000.0 + 18.75, (b.BandLow + b.BandHigh) / 2.0,
                                 b.BandHigh - 6.25, double(b.BandHigh)};
        for (double f : points) {
            for (SynthSide side : {SynthSide::Receive, SynthSide::Transmit}) {
                const SynthWord w = encodeSynthWord(f, side, b);
                EXPECT_NE(w[0], 0) << "a frequency must never look like the repeater marker";
                EXPECT_EQ(synthWordKHz(w, side, b), f) << "band " << row.band << " f " << f;
                EXPECT_EQ(synthWordText(w, side, b), printed(f));
            }
        }
    }
}

TEST(SynthWord, DecodingIsTotal) {
    const BandSettings &b = band(2);
    EXPECT_EQ(synthWordText({0, 0x55, 0x55}, SynthSide::Receive, b), QStringLiteral("РЕТР_ПП"));
    EXPECT_EQ(synthWordText({0, 0, 0}, SynthSide::Transmit, b), QStringLiteral("РЕТР_ПР"));
    // (third & 0x7F) / 4 rounds halves to even: 2/4 -> 0, 6/4 -> 2.
    EXPECT_EQ(synthWordKHz({0x10, 0, 0x02}, SynthSide::Transmit, b), 0.0);
    EXPECT_EQ(synthWordKHz({0x10, 0, 0x06}, SynthSide::Transmit, b), 12.5);
    EXPECT_EQ(synthWordKHz({0x10, 0, 0x07}, SynthSide::Transmit, b), 12.5);
    // "%6.2f" pads short numbers to six characters.
    EXPECT_EQ(synthWordText({0x10, 0, 0x05}, SynthSide::Transmit, b), QStringLiteral("  6,25"));
    // Any bytes give a number, even below zero on the receive side.
    EXPECT_EQ(synthWordText({0xFF, 0xFF, 0xFF}, SynthSide::Transmit, b), QStringLiteral("1638400,00"));
    EXPECT_EQ(synthWordText({0x10, 0, 0x01}, SynthSide::Receive, b), QStringLiteral("-45000,00"));
}
