// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station data image held between the data check and the write (and filled by the read).
// ModuleType and StationType are part of it too; they live once, in EditorState.
#include <array>
#include <cstdint>

namespace tolvin {

constexpr int MaxChannels = 99;
constexpr int RecordSize = 18;
using ChannelRecord = std::array<uint8_t, RecordSize>;

struct StationImage {
    std::array<uint8_t, 12> header{};
    std::array<uint8_t, 10> tones{};
    uint16_t IdCode = 0;
    std::array<ChannelRecord, MaxChannels> records{};
};

} // namespace tolvin
