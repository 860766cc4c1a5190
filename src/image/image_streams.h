// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two byte streams that carry the station data image, built from and read into the image by
// walking the layouts of image_layout.h; the link, the simulator and the CLI all use these.
#include "layout/image_layout.h"
#include "layout/station_image.h"

#include <QByteArray>
#include <cstdint>

namespace tolvin {

// The image together with the two codes that travel with it (kept in EditorState otherwise).
struct StreamImage {
    StationImage image;
    uint8_t ModuleType = 0;
    uint8_t StationType = 0;
};

// Bytes sent before the write stream: the opening of the model whose stations answer with
// `stationType` (StationModels); nothing for a type no model has (the link then sends nothing).
QByteArray openingSequence(uint8_t stationType);

// WriteStreamFixedLength + RecordSize n bytes, n = header byte ChannelCount. The image holds
// MaxChannels records; a count above that (never left by a passed check) sends only the records
// there are.
QByteArray encodeWriteStream(const StreamImage &parts);
// ReadStreamFixedLength + RecordSize n bytes, as a station answers the read command.
QByteArray encodeReadStream(const StreamImage &parts);

// How far a stream went into the image.
struct StreamDecode {
    int fixedBytes = 0;       // bytes of the fixed part that arrived
    bool fixedComplete = false;
    int channelCount = 0;     // header byte ChannelCount as received, 0 before it arrived
    int recordsReceived = 0;  // complete records in the stream, up to channelCount
    bool complete = false;    // fixed part and channelCount records all there
};

// Decoders take whatever arrived, never read past it, and store records only up to
// MaxChannels; recordsReceived still counts the ones beyond.
StreamDecode decodeWriteStream(const QByteArray &bytes, StreamImage &parts);
StreamDecode decodeReadStream(const QByteArray &bytes, StreamImage &parts);

} // namespace tolvin
