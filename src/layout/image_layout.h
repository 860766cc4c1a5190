// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Byte numbers and flag bits of the station data image, and the order in which its parts travel
// in each direction. Encoders, decoders and the simulator name bytes only through these. A name,
// a bit or a span that does not fit the station's image does not compile: the image is written
// to the byte, so a byte past its end would go nowhere or overwrite what follows it.
#include <array>
#include <cstdint>

namespace tolvin {

// The sizes of the image's blocks as the station holds them.
constexpr int HeaderSize = 12;
constexpr int ToneCount = 10;
constexpr int IdCodeSize = 2;
constexpr int RecordSize = 18;   // one channel record
constexpr int MaxChannels = 99;

namespace detail {
consteval int byteOf(int blockSize, int byte) {
    if (byte < 0 || byte >= blockSize)
        throw "the byte lies beyond the header or record it names";
    return byte;
}
consteval uint8_t flag(unsigned bit) {
    if (bit == 0 || bit > 0xFF || (bit & (bit - 1)) != 0)
        throw "a flag is one bit of a byte";
    return uint8_t(bit);
}
} // namespace detail

namespace HeaderByte {
constexpr int Serial = detail::byteOf(HeaderSize, 0);  // 0..2, only ever received
constexpr int SerialSize = 3;
constexpr int Brightness = detail::byteOf(HeaderSize, 3);
constexpr int Volume = detail::byteOf(HeaderSize, 4);
constexpr int ChannelCount = detail::byteOf(HeaderSize, 5);
constexpr int KeyBeep = detail::byteOf(HeaderSize, 6);
constexpr int SpecialChannel = detail::byteOf(HeaderSize, 7);  // a position, 0 = first record
constexpr int Fv = detail::byteOf(HeaderSize, 8);
constexpr int MinVolume = detail::byteOf(HeaderSize, 9);
constexpr int DcsNumbering = detail::byteOf(HeaderSize, 10);
constexpr int Features = detail::byteOf(HeaderSize, 11);
} // namespace HeaderByte
// The settings start where the serial number ends: the write sends the header from there.
static_assert(HeaderByte::Serial + HeaderByte::SerialSize == HeaderByte::Brightness);

// Bits of header byte Features.
namespace FeatureBit {
constexpr uint8_t Scan = detail::flag(0x02);  // "Ф_Скан"
constexpr uint8_t V = detail::flag(0x04);     // "Ф_V"
constexpr uint8_t Vu = detail::flag(0x10);    // "ВУ"
} // namespace FeatureBit

// Values of the two "+"/"-" header bytes.
constexpr uint8_t SignPlus = 200;
constexpr uint8_t SignMinus = 100;

// Bytes of a channel record.
namespace RecordByte {
constexpr int FlagsA = detail::byteOf(RecordSize, 0);
constexpr int Number = detail::byteOf(RecordSize, 1);
constexpr int RxWord = detail::byteOf(RecordSize, 2);  // 2..4
constexpr int TxWord = detail::byteOf(RecordSize, 5);  // 5..7
constexpr int RxCode = detail::byteOf(RecordSize, 8);
constexpr int TxCode = detail::byteOf(RecordSize, 9);
constexpr int RxTone = detail::byteOf(RecordSize, 10);
constexpr int TxTone = detail::byteOf(RecordSize, 11);
constexpr int Noise = detail::byteOf(RecordSize, 12);
constexpr int Pmin = detail::byteOf(RecordSize, 13);
constexpr int Pmax = detail::byteOf(RecordSize, 14);
constexpr int FlagsB = detail::byteOf(RecordSize, 15);
constexpr int Time = detail::byteOf(RecordSize, 16);
constexpr int Reserved = detail::byteOf(RecordSize, 17);
} // namespace RecordByte

namespace FlagA {
constexpr uint8_t IdToneOff = detail::flag(0x80);  // "Id_Тон" box unchecked
constexpr uint8_t Narrow = detail::flag(0x40);     // "  SW" is "12,5"
constexpr uint8_t NoTxTone = detail::flag(0x20);   // "Тон_Tx" is "Нет"
constexpr uint8_t NoRxTone = detail::flag(0x10);   // "Тон_Rx" is "Нет"
constexpr uint8_t Ctcss = detail::flag(0x08);      // both DCS cells "Нет"
constexpr uint8_t Active = detail::flag(0x04);
constexpr uint8_t Scan = detail::flag(0x02);
} // namespace FlagA

// Flags B start with every bit set; each option clears its bit.
namespace FlagB {
constexpr uint8_t Initial = 0xFF;
constexpr uint8_t NotRssi = detail::flag(0x01);
constexpr uint8_t NotOff = detail::flag(0x04);
constexpr uint8_t NoTime = detail::flag(0x08);
constexpr uint8_t TxNotRepeater = detail::flag(0x10);
constexpr uint8_t RxNotRepeater = detail::flag(0x20);
} // namespace FlagB

// A squelch code byte meaning "Нет".
constexpr uint8_t NoSquelchCode = 200;

// What a run of stream bytes carries. IdCode travels high byte first; StationType may be
// repeated, every copy carrying the same value.
enum class StreamField : uint8_t { Header, Tones, IdCode, ModuleType, StationType, Ignored };

struct StreamSpan {
    StreamField field;
    uint8_t first;   // first byte within the field
    uint8_t count;
};

// Write stream: these bytes (WriteStreamFixedLength), then the channel records.
constexpr std::array<StreamSpan, 6> WriteStreamLayout{{
    {StreamField::Header, HeaderByte::Brightness, 5},
    {StreamField::Tones, 0, ToneCount},
    {StreamField::IdCode, 0, IdCodeSize},
    {StreamField::Header, HeaderByte::Fv, 4},
    {StreamField::ModuleType, 0, 1},
    {StreamField::StationType, 0, 3},
}};

// Read stream (the station's answer to ReadCommand): these bytes (ReadStreamFixedLength), then
// the channel records.
constexpr std::array<StreamSpan, 8> ReadStreamLayout{{
    {StreamField::Header, HeaderByte::Serial, HeaderByte::SerialSize},
    {StreamField::Header, HeaderByte::Brightness, 5},
    {StreamField::IdCode, 0, IdCodeSize},
    {StreamField::Tones, 0, ToneCount},
    {StreamField::Header, HeaderByte::Fv, 4},
    {StreamField::ModuleType, 0, 1},
    {StreamField::StationType, 0, 1},
    {StreamField::Ignored, 0, 2},
}};

template <std::size_t N>
constexpr int fixedLength(const std::array<StreamSpan, N> &layout) {
    int n = 0;
    for (const StreamSpan &s : layout)
        n += s.count;
    return n;
}

constexpr int WriteStreamFixedLength = fixedLength(WriteStreamLayout);
constexpr int ReadStreamFixedLength = fixedLength(ReadStreamLayout);

// Whether the stream carries bytes from..to-1 of `field` once each and no other byte of it: a
// header byte the write leaves out would never reach the station, one past the field's end
// would be read from whatever follows it in the image.
template <std::size_t N>
constexpr bool carriesOnce(const std::array<StreamSpan, N> &layout, StreamField field, int from, int to) {
    for (int byte = 0; byte < to; ++byte) {
        int times = 0;
        for (const StreamSpan &s : layout)
            times += s.field == field && byte >= s.first && byte < s.first + s.count;
        if (times != (byte >= from ? 1 : 0))
            return false;
    }
    for (const StreamSpan &s : layout)
        if (s.field == field && s.first + s.count > to)
            return false;
    return true;
}

// The write leaves the serial number out: only a station has one.
static_assert(carriesOnce(WriteStreamLayout, StreamField::Header, HeaderByte::Brightness, HeaderSize),
              "the write must carry every header byte after the serial number once");
static_assert(carriesOnce(ReadStreamLayout, StreamField::Header, HeaderByte::Serial, HeaderSize),
              "the read must carry every header byte once");
static_assert(carriesOnce(WriteStreamLayout, StreamField::Tones, 0, ToneCount) &&
              carriesOnce(ReadStreamLayout, StreamField::Tones, 0, ToneCount));
static_assert(carriesOnce(WriteStreamLayout, StreamField::IdCode, 0, IdCodeSize) &&
              carriesOnce(ReadStreamLayout, StreamField::IdCode, 0, IdCodeSize));
static_assert(carriesOnce(WriteStreamLayout, StreamField::ModuleType, 0, 1) &&
              carriesOnce(ReadStreamLayout, StreamField::ModuleType, 0, 1));

// The stream position just past the first span of `field`; the layout's length when it has none.
template <std::size_t N>
constexpr int spanEnd(const std::array<StreamSpan, N> &layout, StreamField field) {
    int n = 0;
    for (const StreamSpan &s : layout) {
        n += s.count;
        if (s.field == field)
            return n;
    }
    return n;
}

template <std::size_t N>
constexpr int spanCount(const std::array<StreamSpan, N> &layout, StreamField field) {
    for (const StreamSpan &s : layout)
        if (s.field == field)
            return s.count;
    return 0;
}

// A read arrives in three pieces before the records: what comes before the tones, the tones one
// by one, and the settings after them; the window fills in each as it arrives.
namespace ReadPiece {
constexpr int Tones = spanCount(ReadStreamLayout, StreamField::Tones);
constexpr int Head = spanEnd(ReadStreamLayout, StreamField::Tones) - Tones;
constexpr int Settings = ReadStreamFixedLength - Head - Tones;
} // namespace ReadPiece

// A write's gauge steps to a third after the first header bytes and to two thirds after the tones.
namespace WriteGaugeStep {
constexpr int Third = WriteStreamLayout[0].count;
constexpr int TwoThirds = spanEnd(WriteStreamLayout, StreamField::Tones);
} // namespace WriteGaugeStep

// The serial number and the channel count arrive with the head, before anything is shown.
static_assert(ReadPiece::Tones == ToneCount && ReadPiece::Head > HeaderByte::ChannelCount);
static_assert(0 < WriteGaugeStep::Third && WriteGaugeStep::Third < WriteGaugeStep::TwoThirds &&
              WriteGaugeStep::TwoThirds < WriteStreamFixedLength);

constexpr uint8_t ReadCommand = 0x1E;

// The type query: the station acknowledges each of these bytes and then sends its type code.
// Its second byte is also the one-byte write opening, so a station tells the two apart only by
// the byte before it.
constexpr std::array<uint8_t, 3> TypeQuerySequence{0xAA, 0x14, 0x61};

} // namespace tolvin
