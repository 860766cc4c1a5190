// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station data image held between the data check and the write (and filled by the read).
// ModuleType and StationType are part of it too; they live once, in EditorState.
#include "layout/image_layout.h"

#include <array>
#include <cstdint>

namespace tolvin {

using ChannelRecord = std::array<uint8_t, RecordSize>;

struct StationImage {
    std::array<uint8_t, HeaderSize> header{};
    std::array<uint8_t, ToneCount> tones{};
    uint16_t IdCode = 0;
    std::array<ChannelRecord, MaxChannels> records{};
};

} // namespace tolvin
