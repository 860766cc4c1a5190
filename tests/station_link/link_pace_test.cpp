// SPDX-License-Identifier: GPL-3.0-or-later
// The pace figures: what the line allows, the ratio scripts read, and when an adapter is to blame.
#include "station_link/link_pace.h"

#include <gtest/gtest.h>

using namespace tolvin;
using namespace std::chrono_literals;

TEST(LinkPace, LineAndRatioInTheProgramsOwnNumbers) {
    LinkPace p;
    p.bytes = 1812;
    p.wire = 1812 * 2 * LineByteTime + 200ms;
    p.elapsed = std::chrono::nanoseconds(std::chrono::duration_cast<std::chrono::nanoseconds>(p.wire * 103 / 100));
    EXPECT_EQ(paceLine(p), QStringLiteral("1812 байт за 31,3 с, 1,03 × скорости линии"));
    EXPECT_EQ(paceLine(LinkPace{}), QStringLiteral("0 байт за 0,0 с, 0,00 × скорости линии"));
}

TEST(LinkPace, RepliesCountAsDelayedOnlyWellAboveTheLineAndWithEnoughRoundTrips) {
    const auto line = 2 * LineByteTime; // a byte out and its echo back
    const struct { int trips; double factor; bool delayed; } cases[] = {
        {1800, 1.0, false}, {1800, 1.4, false}, {1800, 1.6, true}, {1800, 3.0, true}, {5, 3.0, false}, {0, 0, false},
    };
    for (const auto &c : cases) {
        LinkPace p;
        p.roundTrips = c.trips;
        p.roundTripTime = std::chrono::nanoseconds(static_cast<long long>(double(line.count()) * c.factor * c.trips));
        EXPECT_EQ(p.repliesDelayed(), c.delayed) << c.trips << " x " << c.factor;
        EXPECT_EQ(delayedRepliesAdvice(p).isEmpty(), !c.delayed);
    }
}

// The meter counts a byte and its reply as two byte times of the line, a stream's byte as one,
// and a pause by design as line time too.
TEST(LinkPace, MeterCountsWhatCrossedTheLine) {
    PaceMeter write;
    for (int i = 0; i < 3; ++i) {
        write.sent();
        write.replied();
    }
    write.pausedFor(200ms);
    const LinkPace w = write.pace();
    EXPECT_EQ(w.bytes, 3);
    EXPECT_EQ(w.roundTrips, 3);
    EXPECT_EQ(w.wire, 6 * LineByteTime + 200ms);
    EXPECT_GE(w.elapsed, std::chrono::nanoseconds::zero());

    PaceMeter read;
    read.sent();
    for (int i = 0; i < 28; ++i)
        read.received();
    const LinkPace r = read.pace();
    EXPECT_EQ(r.bytes, 29);
    EXPECT_EQ(r.roundTrips, 0);
    EXPECT_EQ(r.wire, 29 * LineByteTime);
}
