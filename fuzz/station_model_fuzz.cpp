// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's station side over any bytes from a host: it answers, ignores or stores, and
// what it stores is an image it can send back unchanged.
#include "fuzz_target.h"
#include "layout/image_layout.h"
#include "sim/station_memory.h"
#include "sim/station_model.h"

TOLVIN_FUZZ_TARGET(station_model) {
    using namespace tolvin;
    fuzz::Input in(data, size);
    const uint8_t type = in.byte();
    StationModel model(defaultStationMemory(type), type);
    const qsizetype longestAnswer = ReadStreamFixedLength + RecordSize * 255;
    while (!in.empty()) {
        const uint8_t b = in.byte();
        // A pause on the line longer than the station waits: the exchange starts over.
        if (b == 0xFF && in.flag()) {
            model.reset();
            continue;
        }
        const StationModel::Answer a = model.receive(b);
        FUZZ_REQUIRE(a.reply.size() <= 2 || (b == ReadCommand && a.reply.size() <= longestAnswer));
        if (a.reply.size() == 2)
            FUZZ_REQUIRE(uint8_t(a.reply[1]) == type); // the type query's answer
        if (a.memoryWritten) {
            StreamImage again;
            const StreamDecode d = decodeReadStream(encodeReadStream(model.memory()), again);
            // A count past 99 has no records to send beyond the 99 the memory holds.
            FUZZ_REQUIRE(d.complete || model.memory().image.header[HeaderByte::ChannelCount] > MaxChannels);
            FUZZ_REQUIRE(encodeReadStream(again) == encodeReadStream(model.memory()));
        }
    }
    return 0;
}
