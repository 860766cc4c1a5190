// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_streams.h"
#include "support/unknown_values.h"

#include <gtest/gtest.h>

using namespace tolvin;

namespace {

// Every byte different, so a byte in the wrong place shows.
StreamImage distinctImage(int channels) {
    StreamImage p;
    for (int i = 0; i < HeaderSize; ++i)
        p.image.header[i] = uint8_t(0xA0 + i);
    p.image.header[HeaderByte::ChannelCount] = uint8_t(channels);
    for (int i = 0; i < ToneCount; ++i)
        p.image.tones[i] = uint8_t(0x70 + i);
    p.image.IdCode = 0x12EF;
    for (int r = 0; r < MaxChannels; ++r)
        for (int j = 0; j < RecordSize; ++j)
            p.image.records[r][j] = uint8_t(r * 7 + j);
    p.ModuleType = 5;
    p.StationType = 3;
    return p;
}

QByteArray bytes(std::initializer_list<int> l) {
    QByteArray b;
    for (int v : l)
        b.append(char(v));
    return b;
}

} // namespace

TEST(ImageStreams, OpeningSequences) {
    const QByteArray one = bytes({0x14});
    const QByteArray five = bytes({0x15, 0x4B, 0x55, 0x11, 0xD7});
    const QByteArray expected[] = {one, five, five, one, five};
    for (int t = 0; t < int(std::size(expected)); ++t)
        EXPECT_EQ(openingSequence(uint8_t(t)), expected[t]) << t;
    EXPECT_TRUE(openingSequence(test::UnknownTypeCode).isEmpty());
    EXPECT_TRUE(openingSequence(255).isEmpty());
}

TEST(ImageStreams, WriteStreamOrder) {
    const StreamImage p = distinctImage(2);
    const QByteArray s = encodeWriteStream(p);
    ASSERT_EQ(s.size(), WriteStreamFixedLength + 2 * RecordSize);
    QByteArray expected = bytes({0xA3, 0xA4, 2, 0xA6, 0xA7});
    expected += bytes({0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79});
    expected += bytes({0x12, 0xEF, 0xA8, 0xA9, 0xAA, 0xAB, 5, 3, 3, 3});
    for (int r = 0; r < 2; ++r)
        for (int j = 0; j < RecordSize; ++j)
            expected.append(char(r * 7 + j));
    EXPECT_EQ(s, expected);
}

TEST(ImageStreams, ReadStreamOrder) {
    const StreamImage p = distinctImage(1);
    const QByteArray s = encodeReadStream(p);
    ASSERT_EQ(s.size(), ReadStreamFixedLength + RecordSize);
    QByteArray expected = bytes({0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 1, 0xA6, 0xA7, 0x12, 0xEF});
    expected += bytes({0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79});
    expected += bytes({0xA8, 0xA9, 0xAA, 0xAB, 5, 3, 0, 0});
    EXPECT_EQ(s.left(ReadStreamFixedLength), expected);
    const ChannelRecord &first = p.image.records[0];
    EXPECT_EQ(s.mid(ReadStreamFixedLength), QByteArray(reinterpret_cast<const char *>(first.data()), RecordSize));
}

TEST(ImageStreams, BothStreamsDecodeToWhatWasEncoded) {
    for (int n : {0, 1, 99}) {
        const StreamImage p = distinctImage(n);
        StreamImage w, r;
        const StreamDecode dw = decodeWriteStream(encodeWriteStream(p), w);
        const StreamDecode dr = decodeReadStream(encodeReadStream(p), r);
        EXPECT_TRUE(dw.complete);
        EXPECT_TRUE(dr.complete);
        EXPECT_EQ(dr.channelCount, n);
        EXPECT_EQ(r.image.header, p.image.header);
        EXPECT_EQ(r.image.tones, p.image.tones);
        EXPECT_EQ(r.image.IdCode, p.image.IdCode);
        EXPECT_EQ(w.image.IdCode, p.image.IdCode);
        EXPECT_EQ(w.ModuleType, 5);
        EXPECT_EQ(w.StationType, 3);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(r.image.records[i], p.image.records[i]);
            EXPECT_EQ(w.image.records[i], p.image.records[i]);
        }
    }
}

TEST(ImageStreams, DecodingTakesWhatArrivedAndNoMore) {
    const QByteArray full = encodeReadStream(distinctImage(3));
    for (int len = 0; len <= full.size(); ++len) {
        StreamImage p;
        const StreamDecode d = decodeReadStream(full.left(len), p);
        EXPECT_EQ(d.fixedBytes, std::min(len, ReadStreamFixedLength));
        EXPECT_EQ(d.fixedComplete, len >= ReadStreamFixedLength);
        EXPECT_EQ(d.recordsReceived, len >= ReadStreamFixedLength ? (len - ReadStreamFixedLength) / RecordSize : 0);
        EXPECT_EQ(d.complete, len == full.size());
    }
    // Surplus bytes after the announced records are not taken as records.
    StreamImage p;
    const StreamDecode d = decodeReadStream(full + QByteArray(40, '\x55'), p);
    EXPECT_EQ(d.recordsReceived, 3);
    EXPECT_EQ(p.image.records[3], ChannelRecord{});
}

TEST(ImageStreams, MoreChannelsThanRecordsStayInsideTheImage) {
    StreamImage source = distinctImage(99);
    QByteArray s = encodeReadStream(source);
    s[HeaderByte::ChannelCount] = char(120);      // the station announces 120 channels
    s += QByteArray(21 * RecordSize, '\x42');     // and sends them
    StreamImage p;
    const StreamDecode d = decodeReadStream(s, p);
    EXPECT_TRUE(d.complete);
    EXPECT_EQ(d.channelCount, 120);
    EXPECT_EQ(d.recordsReceived, 120);
    EXPECT_EQ(p.image.records[98], source.image.records[98]);

    // An image claiming more than it holds sends only the records it has.
    StreamImage big = distinctImage(99);
    big.image.header[HeaderByte::ChannelCount] = 255;
    EXPECT_EQ(encodeWriteStream(big).size(), WriteStreamFixedLength + MaxChannels * RecordSize);
}
