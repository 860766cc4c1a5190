// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/station_memory.h"

#include "common/errors.h"
#include "image/image_fields.h"
#include "image/station_readout.h"
#include "support/qt_printers.h"
#include "table/bands.h"
#include "table/lists.h"

#include <gtest/gtest.h>

using namespace tolvin;

// A fresh station reads back as a sensible configuration: its serial number, the template's
// settings, channels on the raster inside the band of its type.
TEST(StationMemory, DefaultMemoryReadsBackAsChannelsInTheBand) {
    const std::pair<uint8_t, const char *> cases[] = {{0, "145000,00"}, {1, "35000,00"}, {3, "405000,00"}, {4, "305000,00"}};
    for (const auto &[type, firstRx] : cases) {
        const StationReadout r = readStation(encodeReadStream(defaultStationMemory(type)), bandRow(2).settings);
        ASSERT_TRUE(r.complete);
        EXPECT_EQ(r.StationType, type);
        EXPECT_TRUE(r.memo.contains(QStringLiteral("Серийный номер=070001")));
        ASSERT_EQ(r.rows.size(), 4u);
        EXPECT_EQ(r.rows[0].cells[ColRx], QString::fromUtf8(firstRx));
        EXPECT_EQ(r.rows[0].cells[ColTx], QString::fromUtf8(firstRx));
    }
}

// Scripts predict a series' serial numbers: the label's decimal digits, counting up.
TEST(StationMemory, SeriesSerialNumbersCountInDecimalDigits) {
    const std::pair<int, const char *> cases[] = {{0, "070001"}, {1, "070002"}, {9, "070010"}, {99, "070100"}};
    for (const auto &[place, serial] : cases) {
        const auto &h = defaultStationMemory(0, place).image.header;
        EXPECT_EQ(serialText(h[HeaderByte::Serial], h[HeaderByte::Serial + 1], h[HeaderByte::Serial + 2]),
                  QString::fromUtf8(serial));
    }
}

TEST(StationMemory, DamagedFileIsRefusedWithItsPathAndTheFault) {
    const QByteArray good = formatStationMemory(defaultStationMemory(0));
    const std::pair<QByteArray, const char *> cases[] = {
        {"{ not json", "ошибка JSON"},
        {QByteArray(good).replace("\"tones\"", "\"tunes\""), "нет поля tones"},
        {QByteArray(good).replace("\"header\": \"07", "\"header\": \"0G"), "в поле header байт 1 «0G»"},
        {QByteArray(good).replace("01 08 04", "01 08 05"), "записей каналов 4, а в заголовке 5"},
    };
    for (const auto &[text, fault] : cases) {
        try {
            parseStationMemory(text, QStringLiteral("/tmp/st.json"));
            ADD_FAILURE() << "accepted: " << fault;
        } catch (const IoError &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Файл памяти станции /tmp/st.json поврежден: ")));
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(fault))) << e.message().toStdString();
        }
    }
}
