// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Byte numbers and flag bits of the station data image, and the order in which its parts travel
// in each direction. Encoders, decoders and the simulator name bytes only through these.
#include <array>
#include <cstdint>

namespace tolvin {

// Header image, 12 bytes.
namespace HeaderByte {
constexpr int Serial = 0;          // 0..2, only ever received
constexpr int SerialSize = 3;
constexpr int Brightness = 3;
constexpr int Volume = 4;
constexpr int ChannelCount = 5;
constexpr int KeyBeep = 6;
constexpr int SpecialChannel = 7;  // a position, 0 = first record
constexpr int Fv = 8;
constexpr int MinVolume = 9;
constexpr int DcsNumbering = 10;
constexpr int Features = 11;
} // namespace HeaderByte

// Bits of header byte Features.
namespace FeatureBit {
constexpr uint8_t Scan = 0x02;     // "Ф_Скан"
constexpr uint8_t V = 0x04;        // "Ф_V"
constexpr uint8_t Vu = 0x10;       // "ВУ"
} // namespace FeatureBit

// Values of the two "+"/"-" header bytes.
constexpr uint8_t SignPlus = 200;
constexpr uint8_t SignMinus = 100;

// Channel record, 18 bytes.
namespace RecordByte {
constexpr int FlagsA = 0;
constexpr int Number = 1;
constexpr int RxWord = 2;          // 2..4
constexpr int TxWord = 5;          // 5..7
constexpr int RxCode = 8;
constexpr int TxCode = 9;
constexpr int RxTone = 10;
constexpr int TxTone = 11;
constexpr int Noise = 12;
constexpr int Pmin = 13;
constexpr int Pmax = 14;
constexpr int FlagsB = 15;
constexpr int Time = 16;
constexpr int Reserved = 17;
} // namespace RecordByte

namespace FlagA {
constexpr uint8_t IdToneOff = 0x80;  // "Id_Тон" box unchecked
constexpr uint8_t Narrow = 0x40;     // "  SW" is "12,5"
constexpr uint8_t NoTxTone = 0x20;   // "Тон_Tx" is "Нет"
constexpr uint8_t NoRxTone = 0x10;   // "Тон_Rx" is "Нет"
constexpr uint8_t Ctcss = 0x08;      // both DCS cells "Нет"
constexpr uint8_t Active = 0x04;
constexpr uint8_t Scan = 0x02;
} // namespace FlagA

// Flags B start with every bit set; each option clears its bit.
namespace FlagB {
constexpr uint8_t Initial = 0xFF;
constexpr uint8_t NotRssi = 0x01;
constexpr uint8_t NotOff = 0x04;
constexpr uint8_t NoTime = 0x08;
constexpr uint8_t TxNotRepeater = 0x10;
constexpr uint8_t RxNotRepeater = 0x20;
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

// Write stream: these 25 bytes, then 18 bytes per channel record.
constexpr std::array<StreamSpan, 6> WriteStreamLayout{{
    {StreamField::Header, HeaderByte::Brightness, 5},
    {StreamField::Tones, 0, 10},
    {StreamField::IdCode, 0, 2},
    {StreamField::Header, HeaderByte::Fv, 4},
    {StreamField::ModuleType, 0, 1},
    {StreamField::StationType, 0, 3},
}};

// Read stream (the station's answer to ReadCommand): these 28 bytes, then 18 per record.
constexpr std::array<StreamSpan, 8> ReadStreamLayout{{
    {StreamField::Header, HeaderByte::Serial, HeaderByte::SerialSize},
    {StreamField::Header, HeaderByte::Brightness, 5},
    {StreamField::IdCode, 0, 2},
    {StreamField::Tones, 0, 10},
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
static_assert(WriteStreamFixedLength == 25);
static_assert(ReadStreamFixedLength == 28);

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

constexpr uint8_t ReadCommand = 0x1E;

// The type query: the station acknowledges each of these bytes and then sends its type code.
// Its second byte is also the one-byte write opening, so a station tells the two apart only by
// the byte before it.
constexpr std::array<uint8_t, 3> TypeQuerySequence{0xAA, 0x14, 0x61};

} // namespace tolvin
