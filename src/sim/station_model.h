// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station's side of the three exchanges, with no port and no clock: bytes from the host go
// in one at a time, the bytes the station sends back come out, and a complete write replaces the
// memory. tolvin-sim puts it behind a pseudo-terminal; tests can drive it directly.
#include "image/image_streams.h"

#include <QByteArray>
#include <cstdint>

namespace tolvin {

class StationModel {
public:
    struct Answer {
        QByteArray reply;            // what the station sends, in order; often one echo byte
        bool memoryWritten = false;  // this byte completed a write (or, storing each byte, was stored)
        bool writeCompleted = false; // this byte was the last of a whole write
    };

    // typeCode is what the type query answers; the memory's StationType is whatever the last
    // write put there, as in a station programmed for another band.
    StationModel(const StreamImage &memory, uint8_t typeCode);

    // The station acknowledges by echoing the byte it took. Bytes that start no exchange go
    // unanswered, as a station ignores noise on the line.
    Answer receive(uint8_t byte);
    // Drops a half-done exchange: the next byte is read as the start of one.
    void reset();
    // No exchange begun and unfinished: the station waits for the first byte of one.
    bool betweenExchanges() const { return m_state == State::Command; }

    // A fault of the station's memory: byte `streamByte` (1-based) of every write stream is
    // stored with all its bits inverted, while the acknowledgement still echoes it as sent.
    // 0 stores every byte as it came.
    void setCorruptByte(int streamByte) { m_corruptByte = streamByte; }
    // A station whose memory takes each byte of a write as it arrives, so that a write cut
    // short leaves it half old, half new, as a real one is left.
    void setStoreEachByte(bool on) { m_storeEachByte = on; }

    const StreamImage &memory() const { return m_memory; }
    uint8_t typeCode() const { return m_typeCode; }

private:
    enum class State {
        Command,        // waiting for the first byte of an exchange
        QueryStarted,   // 0xAA taken
        QueryOrWrite,   // 0xAA 0x14 taken: 0x61 finishes the query, anything else is write data
        LongOpening,    // part of the five-byte write opening taken
        WriteData,      // the opening is done; collecting the write stream
    };

    Answer command(uint8_t byte);
    Answer writeData(uint8_t byte);

    StreamImage m_memory;
    uint8_t m_typeCode;
    State m_state = State::Command;
    int m_openingPos = 0;  // bytes of the five-byte opening taken
    QByteArray m_stream;   // write stream so far
    int m_corruptByte = 0;
    bool m_storeEachByte = false;
};

} // namespace tolvin
