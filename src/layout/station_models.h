// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station models, one row each: everything that differs between a 7К-61 and a 7К-64. The
// band table, the type query, the write's opening, the menus and tolvin-cli read these rows; a new
// model is a new row here (and its item in the simulator's help, which a test holds to these rows).
#include <array>
#include <cstdint>
#include <span>

namespace tolvin {

// The bytes that open a write: which the station expects depends on its model. Inline, as the
// table below: one object for the whole program, so a pointer into it means the same row anywhere.
inline constexpr std::array<uint8_t, 1> ShortOpening{0x14};
inline constexpr std::array<uint8_t, 5> LongOpening{0x15, 0x4B, 0x55, 0x11, 0xD7};

struct StationModelRow {
    int band;                    // from 1: the row's place in this table, the number of its band
    int menuItem;                // its place in "Тип радиостанции" (the inert item is place 1)
    int modelNumber;             // 61 for "Толвин 7К-61"
    const char16_t *caption;     // the band's menu item
    const char16_t *title;       // window title, the model's name
    uint8_t typeCode;            // the type a configuration of this band is written with
    uint8_t otherTypeCode;       // a second code these stations answer the type query with, or NoOtherCode
    bool longOpening;
    int32_t bandLow;             // kHz, inclusive; also where a new template starts
    int32_t bandHigh;            // kHz, inclusive
    int32_t prescalerModulus;
    int32_t rxOffset;            // kHz, signed

    static constexpr uint8_t NoOtherCode = 0xFF;
    constexpr bool answersWith(uint8_t code) const {
        return code == typeCode || (otherTypeCode != NoOtherCode && code == otherTypeCode);
    }
    constexpr std::span<const uint8_t> opening() const {
        return longOpening ? std::span<const uint8_t>(LongOpening) : std::span<const uint8_t>(ShortOpening);
    }
};

// In band order.
inline constexpr std::array<StationModelRow, 4> StationModels{{
    {1, 0, 61, u"33-48,5 МГц", u"Толвин 7К-61", 1, 2, true, 30000, 60000, 8, 10700},
    {2, 2, 62, u"144-174 МГц", u"Толвин 7К-62", 0, StationModelRow::NoOtherCode, false, 140000, 174000, 32, 45000},
    {3, 3, 63, u"300-350 МГц", u"Толвин 7К-63", 4, StationModelRow::NoOtherCode, true, 300000, 350000, 32, -45000},
    {4, 4, 64, u"400-470 Мгц", u"Толвин 7К-64", 3, StationModelRow::NoOtherCode, false, 400000, 486000, 32, -45000},
}};

// The inert "57-57,5 МГц" item between band 1 and band 2 of "Тип радиостанции".
constexpr int InertBandMenuItem = 1;
constexpr int BandMenuItems = int(StationModels.size()) + 1;

// A row that does not fit among the others does not compile: rows in band order, a band that is
// one, a model number, a menu place and type codes of its own.
namespace detail {
constexpr bool modelRowsFit() {
    for (size_t i = 0; i < StationModels.size(); ++i) {
        const StationModelRow &m = StationModels[i];
        if (m.band != int(i) + 1 || m.bandLow >= m.bandHigh || m.prescalerModulus <= 0 || m.menuItem < 0 ||
            m.menuItem >= BandMenuItems || m.menuItem == InertBandMenuItem || m.typeCode == StationModelRow::NoOtherCode)
            return false;
        for (size_t j = 0; j < i; ++j) {
            const StationModelRow &o = StationModels[j];
            if (o.modelNumber == m.modelNumber || o.menuItem == m.menuItem || o.answersWith(m.typeCode) ||
                (m.otherTypeCode != StationModelRow::NoOtherCode && o.answersWith(m.otherTypeCode)))
                return false;
        }
    }
    return true;
}
} // namespace detail
static_assert(detail::modelRowsFit(), "a model row repeats another's number, menu place or type code, or is out of order");

// The model whose stations answer the type query with `code`; null for a code no model has.
constexpr const StationModelRow *modelOfType(uint8_t code) {
    for (const StationModelRow &m : StationModels)
        if (m.answersWith(code))
            return &m;
    return nullptr;
}

} // namespace tolvin
