// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The general settings, one row per key: where it lives in the station's image, what a file
// without it and a new template give, and what the check assumes when it is missing. The reader,
// the template, the check, the station read-out and the comparison read these rows; a new
// setting is a new row here and its rule in the check.
#include "layout/image_layout.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace tolvin {

// How a setting's text becomes bytes of the image and back.
enum class GeneralField : uint8_t {
    Serial,         // header bytes 0..2, six hex digits; only ever received
    Id,             // IdCode, four 4-bit digits
    Tone,           // tones[index], Hz / 10
    Power,          // not sent: a read shows the template's value
    Brightness,     // 1..5 as 5x - 4
    Number,         // the byte as it stands
    Sign,           // "+" 200, "-" 100
    Fv,             // two digits as 16 d1 + d2
    Feature,        // "+" sets `bit` of the header byte
    SpecialChannel, // the position of the record whose number the key holds
};

struct GeneralKey {
    const char16_t *key;
    GeneralField field;
    int headerByte;                  // NoHeaderByte when the setting is not in the header
    uint8_t bit;                     // Feature: its bit; Tone: its index in tones
    const char16_t *fileDefault;     // what the reader takes for a missing key
    const char16_t *templateDefault; // the line of a new template; null: no line
    const char16_t *checkDefault;    // what the check takes for a missing key; null: not checked

    static constexpr int NoHeaderByte = -1;
    constexpr std::u16string_view name() const { return key; }
};

namespace detail {
constexpr int NoByte = GeneralKey::NoHeaderByte;
constexpr GeneralKey tone(const char16_t *key, uint8_t index, const char16_t *templateHz) {
    return {key, GeneralField::Tone, NoByte, index, u"1000", templateHz, u"10000"};
}
constexpr GeneralKey power(const char16_t *key, const char16_t *watts) {
    return {key, GeneralField::Power, NoByte, 0, u"1", watts, nullptr};
}
} // namespace detail

// In the order the reader rebuilds the block and a station read shows it.
inline constexpr std::array<GeneralKey, 26> GeneralKeys{{
    {u"Серийный номер", GeneralField::Serial, HeaderByte::Serial, 0, u"100000", nullptr, nullptr},
    {u"Id_номер", GeneralField::Id, detail::NoByte, 0, u"1000", u"0001", u"0"},
    detail::tone(u"Тон1", 0, u"700"),
    detail::tone(u"Тон2", 1, u"750"),
    detail::tone(u"Тон3", 2, u"1000"),
    detail::tone(u"Тон4", 3, u"1200"),
    detail::tone(u"Тон5", 4, u"1400"),
    detail::tone(u"Тон6", 5, u"1550"),
    detail::tone(u"Тон7", 6, u"1700"),
    detail::tone(u"Тон8", 7, u"1989"),
    detail::tone(u"Тон9", 8, u"2100"),
    detail::tone(u"Тон10", 9, u"2400"),
    detail::power(u"P_1", u"5"),
    detail::power(u"P_2", u"10"),
    detail::power(u"P_3", u"25"),
    detail::power(u"P_4", u"40"),
    {u"Яркость диодов", GeneralField::Brightness, HeaderByte::Brightness, 0, u"1", u"1", u"0"},
    {u"Громкость", GeneralField::Number, HeaderByte::Volume, 0, u"8", u"8", u"0"},
    {u"МинГромкость", GeneralField::Number, HeaderByte::MinVolume, 0, u"1", u"0", u"10"},
    {u"Пик_кнопок", GeneralField::Sign, HeaderByte::KeyBeep, 0, u"+", u"+", u"+"},
    {u"ФВ", GeneralField::Fv, HeaderByte::Fv, 0, u"00", u"00", u"100"},
    {u"Код_DCS", GeneralField::Sign, HeaderByte::DcsNumbering, 0, u"+", u"+", u"+"},
    {u"Ф_Скан", GeneralField::Feature, HeaderByte::Features, FeatureBit::Scan, u"-", u"+", u"i"},
    {u"Ф_V", GeneralField::Feature, HeaderByte::Features, FeatureBit::V, u"-", u"+", u"i"},
    {u"ВУ", GeneralField::Feature, HeaderByte::Features, FeatureBit::Vu, u"-", u"-", u"i"},
    {u"СК", GeneralField::SpecialChannel, HeaderByte::SpecialChannel, 0, u"1", u"1", u"200"},
}};

// A row that does not fit the image does not compile: the check would write it past the header
// or over another setting. When every header byte is taken, the header grows first (README,
// "A general-settings key").
namespace detail {
constexpr bool headerBytesFit() {
    for (const GeneralKey &k : GeneralKeys)
        if (k.headerByte != NoByte && (k.headerByte < 0 || k.headerByte >= HeaderSize))
            return false;
    return true;
}
// A byte of its own (the switches share one, a bit each; the serial number's bytes are the
// station's and the channel count comes from the table), a tone of its own.
constexpr bool placesTheirOwn() {
    for (size_t i = 0; i < GeneralKeys.size(); ++i) {
        const GeneralKey &k = GeneralKeys[i];
        const bool feature = k.field == GeneralField::Feature;
        if (feature && (k.bit == 0 || (k.bit & (k.bit - 1)) != 0))
            return false;
        if (k.field == GeneralField::Tone && k.bit >= ToneCount)
            return false;
        if (k.headerByte == HeaderByte::ChannelCount ||
            (k.field != GeneralField::Serial && k.headerByte != NoByte && k.headerByte < HeaderByte::Brightness))
            return false;
        for (size_t j = 0; j < i; ++j) {
            const GeneralKey &o = GeneralKeys[j];
            if (k.headerByte != NoByte && o.headerByte == k.headerByte &&
                (!feature || o.field != GeneralField::Feature || (o.bit & k.bit) != 0))
                return false;
            if (k.field == GeneralField::Tone && o.field == GeneralField::Tone && o.bit == k.bit)
                return false;
        }
    }
    return true;
}
// Every header byte the write sends is set by some key, but the count.
constexpr bool headerBytesTaken() {
    for (int byte = HeaderByte::Brightness; byte < HeaderSize; ++byte) {
        bool taken = byte == HeaderByte::ChannelCount;
        for (const GeneralKey &k : GeneralKeys)
            taken = taken || k.headerByte == byte;
        if (!taken)
            return false;
    }
    return true;
}
// A row every reader can use: a name of its own, a file default, a template line for all but the
// serial number (only a station has one), a header byte exactly when the header holds the
// setting, and a row for every tone.
constexpr bool rowsComplete() {
    int tones = 0;
    for (size_t i = 0; i < GeneralKeys.size(); ++i) {
        const GeneralKey &k = GeneralKeys[i];
        const bool inHeader = k.field != GeneralField::Id && k.field != GeneralField::Power && k.field != GeneralField::Tone;
        if (!k.fileDefault || (k.templateDefault == nullptr) != (k.field == GeneralField::Serial) ||
            (k.headerByte != NoByte) != inHeader)
            return false;
        for (size_t j = 0; j < i; ++j)
            if (GeneralKeys[j].name() == k.name())
                return false;
        tones += k.field == GeneralField::Tone;
    }
    return tones == ToneCount;
}
} // namespace detail
static_assert(detail::rowsComplete(), "a general key repeats a name or lacks a default, a template line or its place");
static_assert(detail::headerBytesFit(), "a general key's header byte lies beyond the header");
static_assert(detail::placesTheirOwn(), "a general key's byte, bit or tone is another key's or out of range");
static_assert(detail::headerBytesTaken(), "a header byte no general key sets");

// The row of `key`; a name no row has does not compile.
consteval const GeneralKey &generalKey(std::u16string_view key) {
    for (const GeneralKey &k : GeneralKeys)
        if (k.name() == key)
            return k;
    throw "no such general key";
}

} // namespace tolvin
