// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CTCSS and DCS squelch codes of the channel records: list texts to code bytes and back.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace tolvin {

// DCS code table, entry k for k = 1..84 at index k-1. It is its own inverse.
const std::array<uint8_t, 84> &dcsCodeTable();

// Code byte of a "CTC_Rx"/"CTC_Tx" text: "Нет" 200, else the first position in ToneList;
// nothing for a text that is not in the list.
std::optional<uint8_t> ctcssCode(const QString &text);

// Code byte of a "DCS_Rx"/"DCS_Tx" text: "Нет" 200, else its DcsList position i (1..84), mapped
// through the code table when the DCS numbering is "+" (dcsPlus). Nothing for a foreign text.
std::optional<uint8_t> dcsCode(const QString &text, bool dcsPlus);

// Cell texts of received code bytes. 200 is "Нет". A byte that names no list entry (CTCSS
// 56..199 and 201..255, DCS 0 and 85..199, 201..255) reads as unknownCodeText(byte), which is in
// neither list, so the next data check refuses the cell instead of sending a guess.
QString ctcssText(uint8_t code);
QString dcsText(uint8_t code, uint8_t dcsNumberingByte);
QString unknownCodeText(uint8_t code);

} // namespace tolvin
