// SPDX-License-Identifier: GPL-3.0-or-later
// What a station sent, held against the data check: a programming passes quietly, noise that
// arrived byte for byte in time is named with the check's own reason.
#include "station_link/read_data_check.h"

#include "layout/image_layout.h"
#include "sim/station_memory.h"

#include <QString>
#include <gtest/gtest.h>

#include <functional>

using namespace tolvin;

TEST(ReadDataCheck, NoiseIsNamedAProgrammingIsNot) {
    const QString prefix = QStringLiteral("Данные станции не проходят «Контроль»: ");
    const QString suffix = QStringLiteral(". Возможны помехи на линии.");
    struct Case {
        const char *name;
        std::function<void(StreamImage &)> change;
        bool passes;
    };
    const Case cases[] = {
        {"the station's own programming", [](StreamImage &) {}, true},
        {"a receive word out of the band",
         [](StreamImage &s) { s.image.records[0][RecordByte::RxWord] ^= 0x5A; }, false},
        {"a squelch code no list has", [](StreamImage &s) { s.image.records[1][RecordByte::RxCode] = 170; }, false},
        {"erased memory in the records",
         [](StreamImage &s) {
             for (ChannelRecord &r : s.image.records)
                 r.fill(0xFF);
         },
         false},
    };
    for (const Case &c : cases) {
        for (const uint8_t type : {0, 3}) {
            StreamImage station = defaultStationMemory(type);
            c.change(station);
            const QString warning = readDataWarning(encodeReadStream(station));
            if (c.passes) {
                EXPECT_TRUE(warning.isEmpty()) << c.name << ": " << warning.toStdString();
                continue;
            }
            EXPECT_TRUE(warning.startsWith(prefix)) << c.name << ": " << warning.toStdString();
            EXPECT_TRUE(warning.endsWith(suffix)) << c.name << ": " << warning.toStdString();
            // The check's reason sits between, once, without a doubled full stop.
            EXPECT_GT(warning.size(), prefix.size() + suffix.size() + 5) << c.name;
            EXPECT_FALSE(warning.contains(QStringLiteral(".. "))) << c.name;
        }
    }
}

// A station may hold what the check only advises against: that is advice naming the channel,
// never the noise warning, and noise elsewhere is still found behind it.
TEST(ReadDataCheck, AdviceIsNotNoise) {
    const QString pmin = QStringLiteral("записан 4 уровень минимальной мощности, что не рекомендуется");
    const QString pmax = QStringLiteral("записан 1 уровень максимальной мощности, что не рекомендуется");
    struct Case {
        const char *name;
        std::function<void(StreamImage &)> change;
        QStringList advice;
        bool noise;
    };
    const Case cases[] = {
        {"minimum power 4 on channel 2", [](StreamImage &s) { s.image.records[1][RecordByte::Pmin] = 4; },
         {QStringLiteral("Канал 2: ") + pmin}, false},
        {"maximum power 1 on two channels",
         [](StreamImage &s) { s.image.records[0][RecordByte::Pmax] = s.image.records[2][RecordByte::Pmax] = 1; },
         {QStringLiteral("Канал 1: ") + pmax, QStringLiteral("Канал 3: ") + pmax}, false},
        {"advice and then noise",
         [](StreamImage &s) {
             s.image.records[0][RecordByte::Pmin] = 4;
             s.image.records[1][RecordByte::RxCode] = 170;
         },
         {QStringLiteral("Канал 1: ") + pmin}, true},
    };
    for (const Case &c : cases) {
        StreamImage station = defaultStationMemory(0);
        c.change(station);
        const ReadDataFindings found = readDataFindings(encodeReadStream(station));
        EXPECT_EQ(found.advice, c.advice) << c.name;
        EXPECT_EQ(found.warning.isEmpty(), !c.noise) << c.name << ": " << found.warning.toStdString();
    }
}
