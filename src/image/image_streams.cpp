// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_streams.h"

#include "layout/station_models.h"

#include <algorithm>

namespace tolvin {

namespace {

uint8_t fieldByte(const StreamImage &p, const StreamSpan &s, int i) {
    const int k = s.first + i;
    switch (s.field) {
    case StreamField::Header: return p.image.header[k];
    case StreamField::Tones: return p.image.tones[k];
    case StreamField::IdCode: return k == 0 ? uint8_t(p.image.IdCode >> 8) : uint8_t(p.image.IdCode & 0xFF);
    case StreamField::ModuleType: return p.ModuleType;
    case StreamField::StationType: return p.StationType;
    case StreamField::Ignored: return 0;
    }
    return 0;
}

void storeFieldByte(StreamImage &p, const StreamSpan &s, int i, uint8_t b) {
    const int k = s.first + i;
    switch (s.field) {
    case StreamField::Header: p.image.header[k] = b; break;
    case StreamField::Tones: p.image.tones[k] = b; break;
    case StreamField::IdCode:
        p.image.IdCode = k == 0 ? uint16_t((b << 8) | (p.image.IdCode & 0xFF))
                                : uint16_t((p.image.IdCode & 0xFF00) | b);
        break;
    case StreamField::ModuleType: p.ModuleType = b; break;
    case StreamField::StationType: p.StationType = b; break;
    case StreamField::Ignored: break;
    }
}

template <std::size_t N>
QByteArray encode(const std::array<StreamSpan, N> &layout, const StreamImage &p) {
    const int n = std::min<int>(p.image.header[HeaderByte::ChannelCount], MaxChannels);
    QByteArray out;
    out.reserve(fixedLength(layout) + RecordSize * n);
    for (const StreamSpan &s : layout)
        for (int i = 0; i < s.count; ++i)
            out.append(char(fieldByte(p, s, i)));
    for (int r = 0; r < n; ++r)
        for (uint8_t b : p.image.records[r])
            out.append(char(b));
    return out;
}

template <std::size_t N>
StreamDecode decode(const std::array<StreamSpan, N> &layout, const QByteArray &bytes, StreamImage &p) {
    StreamDecode d;
    const int size = static_cast<int>(bytes.size());
    int pos = 0;
    for (const StreamSpan &s : layout)
        for (int i = 0; i < s.count && pos < size; ++i)
            storeFieldByte(p, s, i, uint8_t(bytes[pos++]));
    d.fixedBytes = pos;
    d.fixedComplete = pos == fixedLength(layout);
    if (!d.fixedComplete)
        return d;
    d.channelCount = p.image.header[HeaderByte::ChannelCount];
    d.recordsReceived = std::min(d.channelCount, (size - pos) / RecordSize);
    for (int r = 0; r < std::min(d.recordsReceived, MaxChannels); ++r)
        for (int j = 0; j < RecordSize; ++j)
            p.image.records[r][j] = uint8_t(bytes[pos + r * RecordSize + j]);
    d.complete = d.recordsReceived == d.channelCount;
    return d;
}

} // namespace

QByteArray openingSequence(uint8_t stationType) {
    const StationModelRow *m = modelOfType(stationType);
    if (!m)
        return {};
    const std::span<const uint8_t> bytes = m->opening();
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

QByteArray encodeWriteStream(const StreamImage &parts) {
    return encode(WriteStreamLayout, parts);
}

QByteArray encodeReadStream(const StreamImage &parts) {
    return encode(ReadStreamLayout, parts);
}

StreamDecode decodeWriteStream(const QByteArray &bytes, StreamImage &parts) {
    return decode(WriteStreamLayout, bytes, parts);
}

StreamDecode decodeReadStream(const QByteArray &bytes, StreamImage &parts) {
    return decode(ReadStreamLayout, bytes, parts);
}

} // namespace tolvin
