// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/station_model.h"

#include "layout/station_models.h"

namespace tolvin {

namespace {

StationModel::Answer echo(uint8_t byte) {
    StationModel::Answer a;
    a.reply = QByteArray(1, char(byte));
    return a;
}

// The two openings of the model table: which a station takes is its model's business, and a
// station of any model recognises both.
const QByteArray &longOpening() {
    static const QByteArray s(reinterpret_cast<const char *>(LongOpening.data()), qsizetype(LongOpening.size()));
    return s;
}

uint8_t shortOpening() {
    return ShortOpening[0];
}

// Write stream length once its channel count arrived.
int writeStreamLength(const QByteArray &stream) {
    const int countOffset = HeaderByte::ChannelCount - HeaderByte::Brightness;
    return WriteStreamFixedLength + RecordSize * uint8_t(stream.at(countOffset));
}

} // namespace

StationModel::StationModel(const StreamImage &memory, uint8_t typeCode)
    : m_memory(memory), m_typeCode(typeCode) {}

void StationModel::reset() {
    m_state = State::Command;
    m_openingPos = 0;
    m_stream.clear();
}

StationModel::Answer StationModel::receive(uint8_t byte) {
    switch (m_state) {
    case State::Command:
        return command(byte);
    case State::QueryStarted:
        if (byte == TypeQuerySequence[1]) {
            m_state = State::QueryOrWrite;
            return echo(byte);
        }
        reset();
        return command(byte);
    case State::QueryOrWrite:
        if (byte == TypeQuerySequence[2]) {
            reset();
            Answer a = echo(byte);
            a.reply.append(char(m_typeCode));
            return a;
        }
        // The 0x14 after 0xAA was a write opening from a host that gave up on the query.
        m_state = State::WriteData;
        return writeData(byte);
    case State::LongOpening:
        if (byte == uint8_t(longOpening().at(m_openingPos))) {
            if (++m_openingPos == longOpening().size())
                m_state = State::WriteData;
            return echo(byte);
        }
        reset();
        return command(byte);
    case State::WriteData:
        return writeData(byte);
    }
    return {};
}

StationModel::Answer StationModel::command(uint8_t byte) {
    if (byte == TypeQuerySequence[0]) {
        m_state = State::QueryStarted;
        return echo(byte);
    }
    if (byte == shortOpening()) {
        m_state = State::WriteData;
        return echo(byte);
    }
    if (byte == uint8_t(longOpening().at(0))) {
        m_state = State::LongOpening;
        m_openingPos = 1;
        return echo(byte);
    }
    if (byte == ReadCommand) {
        Answer a;
        a.reply = encodeReadStream(m_memory);
        return a;
    }
    return {};
}

StationModel::Answer StationModel::writeData(uint8_t byte) {
    m_stream.append(char(byte));
    Answer a = echo(byte);
    const bool complete = m_stream.size() >= WriteStreamFixedLength && m_stream.size() == writeStreamLength(m_stream);
    if (complete || m_storeEachByte) {
        // The bytes still to come are what the memory holds there now (records past the old
        // count included, once the new count has arrived).
        QByteArray stored = m_stream + encodeWriteStream(m_memory).mid(m_stream.size());
        if (m_corruptByte > 0 && m_corruptByte <= m_stream.size())
            stored[m_corruptByte - 1] = char(~uint8_t(stored[m_corruptByte - 1]));
        decodeWriteStream(stored, m_memory);
        a.memoryWritten = true;
    }
    if (complete) {
        a.writeCompleted = true;
        reset();
    }
    return a;
}

} // namespace tolvin
