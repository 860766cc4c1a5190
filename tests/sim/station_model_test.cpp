// SPDX-License-Identifier: GPL-3.0-or-later
// The station's state machine where the exchanges meet; the exchanges themselves are checked
// byte for byte through tolvin-sim (tests/sim).
#include "sim/station_model.h"

#include "sim/station_memory.h"
#include "support/link_support.h"

#include <gtest/gtest.h>

using namespace tolvin;
using tolvin::test::bytes;

namespace {

// Replies to every byte, and how many writes the bytes completed.
std::pair<QByteArray, int> feed(StationModel &m, const QByteArray &in) {
    QByteArray replies;
    int writes = 0;
    for (char c : in) {
        const StationModel::Answer a = m.receive(uint8_t(c));
        replies += a.reply;
        writes += a.memoryWritten;
    }
    return {replies, writes};
}

} // namespace

// 0x14 is both the query's second byte and the short write opening: a host that gave up on a
// query and starts a write must still be understood, and neither a broken opening nor noise
// may leave the station deaf to the next command.
TEST(StationModel, AbandonedExchangesAndNoiseDoNotConfuseTheNextOne) {
    StreamImage image = defaultStationMemory(0);
    image.image.tones.fill(0x99);
    const QByteArray write = openingSequence(0) + encodeWriteStream(image);
    const QByteArray before[] = {bytes({0xAA}), bytes({0x15, 0x4B}), bytes({0x00, 0xFF, 0x61, 0xD7})};
    for (const QByteArray &b : before) {
        StationModel m(defaultStationMemory(0), 0);
        const auto [replies, writes] = feed(m, b + write);
        EXPECT_EQ(replies.right(write.size()), write) << b.toHex().constData();
        EXPECT_EQ(writes, 1) << b.toHex().constData();
        EXPECT_EQ(m.memory().image.tones, image.image.tones) << b.toHex().constData();
    }
    StationModel m(defaultStationMemory(0), 0);
    EXPECT_EQ(feed(m, bytes({0x00, 0x4B, 0x61, 0xFF})).first, QByteArray()) << "noise gets no answer";
}
