// SPDX-License-Identifier: GPL-3.0-or-later
// The differences a technician reads after a verify or a comparison: one line per field that
// differs, in the table's and the settings' words, and none that do not.
#include "image/station_compare.h"

#include "sim/station_memory.h"
#include "sim/station_model.h"
#include "image/synth_word.h"

#include <functional>
#include <gtest/gtest.h>

using namespace tolvin;

namespace {

// Four simplex channels at 145, 150, 155 and 160 MHz in the 144-174 MHz type, CTCSS "Нет".
StreamImage configured() {
    return defaultStationMemory(0);
}

void setRx(StreamImage &m, int row, double kHz) {
    const SynthWord w = encodeSynthWord(kHz, SynthSide::Receive, bandRow(2).settings);
    for (int j = 0; j < 3; ++j)
        m.image.records[row][RecordByte::RxWord + j] = w[j];
}

} // namespace

TEST(ImageDifferences, OneLinePerChangedField) {
    struct Case {
        const char *what;
        std::function<void(StreamImage &)> change;  // what the station holds otherwise
        QStringList lines;
    };
    const Case cases[] = {
        {"nothing", [](StreamImage &) {}, {}},
        {"serial number", [](StreamImage &m) { m.image.header[HeaderByte::Serial] = 0x1A; }, {}},
        {"receive frequency", [](StreamImage &m) { setRx(m, 1, 150006.25); },
         {"канал 2: Rx 150006,25 вместо 150000,00"}},
        {"scan box", [](StreamImage &m) { m.image.records[0][RecordByte::FlagsA] &= ~FlagA::Scan; },
         {"канал 1: Скан. нет вместо да"}},
        {"CTCSS code", [](StreamImage &m) { m.image.records[2][RecordByte::RxCode] = 5; },
         {"канал 3: CTC_Rx 88,5 вместо Нет"}},
        {"two fields of one channel", [](StreamImage &m) {
             m.image.records[3][RecordByte::Pmax] = 3;
             m.image.records[3][RecordByte::Time] = 20;
         }, {"канал 4: P_max 3 вместо 4", "канал 4: Время 20 вместо Нет"}},
        {"volume", [](StreamImage &m) { m.image.header[HeaderByte::Volume] = 10; },
         {"общие установки: Громкость 10 вместо 8"}},
        {"tone", [](StreamImage &m) { m.image.tones[2] = 120; }, {"общие установки: Тон3 1200 вместо 1000"}},
        {"Id", [](StreamImage &m) { m.image.IdCode = 0xFEAB; }, {"общие установки: Id_номер *#AB вместо 0001"}},
        {"special channel", [](StreamImage &m) { m.image.header[HeaderByte::SpecialChannel] = 1; },
         {"общие установки: СК 2 вместо 1"}},
        {"module", [](StreamImage &m) { m.ModuleType = 2; },
         {"общие установки: модуль «Модуль Стройлинк» вместо «Нет модуля»"}},
        {"station type", [](StreamImage &m) { m.StationType = 3; },
         {"общие установки: тип станции 3 (Толвин 7К-64) вместо 0 (Толвин 7К-62)"}},
        {"a channel fewer", [](StreamImage &m) { m.image.header[HeaderByte::ChannelCount] = 3; },
         {"общие установки: каналов 3 вместо 4", "канал 4: нет в станции"}},
        {"a channel more", [](StreamImage &m) {
             m.image.header[HeaderByte::ChannelCount] = 5;
             m.image.records[4] = m.image.records[0];
         }, {"общие установки: каналов 5 вместо 4", "канал 5: есть только в станции"}},
        // Bytes no field shows are still differences.
        {"reserved record byte", [](StreamImage &m) { m.image.records[3][RecordByte::Reserved] = 1; },
         {"канал 4: байт 17 записи 0x01 вместо 0x00"}},
        {"time bit without a time", [](StreamImage &m) { m.image.records[0][RecordByte::FlagsB] &= ~FlagB::NoTime; },
         {"канал 1: байт 15 записи 0xF7 вместо 0xFF"}},
        {"spare feature bit", [](StreamImage &m) { m.image.header[HeaderByte::Features] |= 0x01; },
         {"общие установки: байт 11 заголовка 0x07 вместо 0x06"}},
        {"DCS numbering", [](StreamImage &m) { m.image.header[HeaderByte::DcsNumbering] = 150; },
         {"общие установки: Код_DCS - вместо +"}},
    };
    for (const Case &c : cases) {
        StreamImage station = configured();
        c.change(station);
        EXPECT_EQ(imageDifferences(station, configured(), bandRow(1).settings), c.lines) << c.what;
    }
}

// Whatever single byte of a write a station stores wrongly, the check after the write sees it;
// only the first two of the three station type copies are overwritten by the third.
TEST(ImageDifferences, EveryCorruptedByteOfAWriteIsSeen) {
    const StreamImage image = configured();
    const QByteArray write = openingSequence(0) + encodeWriteStream(image);
    const int streamBytes = int(encodeWriteStream(image).size());
    const int copiesEnd = spanEnd(WriteStreamLayout, StreamField::StationType);
    const int copies = spanCount(WriteStreamLayout, StreamField::StationType);
    for (int n = 1; n <= streamBytes; ++n) {
        StationModel station(defaultStationMemory(0), 0);
        station.setCorruptByte(n);
        for (char c : write)
            station.receive(uint8_t(c));
        const bool overwritten = n > copiesEnd - copies && n < copiesEnd;
        EXPECT_EQ(imageDifferences(station.memory(), image, bandRow(2).settings).isEmpty(), overwritten) << n;
    }
}
