// SPDX-License-Identifier: GPL-3.0-or-later
// The code built on the layout, model and settings tables follows them: a row changed in one place
// cannot silently break the band table, the type query or the read. How the tables fit together
// is held as they compile (src/layout).
#include "image/image_streams.h"
#include "image/station_readout.h"
#include "layout/general_keys.h"
#include "layout/image_layout.h"
#include "layout/station_models.h"
#include "table/bands.h"
#include "table/template.h"
#include "support/unknown_values.h"

#include <gtest/gtest.h>

using namespace tolvin;

// How the rows fit among each other is held as it compiles (station_models.h); here, that the
// type query and the write's opening follow them (the band table: tests/table/editor_test.cpp).
TEST(LayoutTables, EveryModelRowIsConsistent) {
    for (const StationModelRow &m : StationModels) {
        SCOPED_TRACE(m.modelNumber);
        EXPECT_TRUE(QString::fromUtf16(m.title).endsWith(QString::number(m.modelNumber)));
        for (uint8_t code : {m.typeCode, m.otherTypeCode}) {
            if (code == StationModelRow::NoOtherCode)
                continue;
            EXPECT_EQ(modelOfType(code), &m);
            EXPECT_EQ(bandForStationType(code), m.band);
            const std::span<const uint8_t> opening = m.opening();
            EXPECT_EQ(openingSequence(code), QByteArray(reinterpret_cast<const char *>(opening.data()),
                                                        qsizetype(opening.size())));
        }
    }
    EXPECT_EQ(modelOfType(StationModelRow::NoOtherCode), nullptr);
    EXPECT_TRUE(openingSequence(test::UnknownTypeCode).isEmpty());
    // A station tells the type query from a short write opening only by the byte before it.
    EXPECT_EQ(TypeQuerySequence[1], ShortOpening[0]);
}

// A read of a whole stream shows every key once, in the rows' order, and a new template writes
// the same keys in the same order (without the serial number, which only a station has).
TEST(LayoutTables, TheReadAndTheTemplateShowTheKeysInRowOrder) {
    StreamImage parts;
    parts.image.header[HeaderByte::ChannelCount] = 1;
    parts.image.records[0][RecordByte::Number] = 1;
    const StationReadout read = readStation(encodeReadStream(parts), bandRow(2).settings);
    ASSERT_TRUE(read.complete);
    const auto keysOf = [](const QStringList &memo) {
        QStringList keys;
        for (const QString &l : memo.mid(1))
            keys << l.left(l.indexOf(QLatin1Char('=')));
        return keys;
    };
    QStringList rows;
    for (const GeneralKey &k : GeneralKeys)
        rows << QString::fromUtf16(k.key);
    EXPECT_EQ(read.memo.value(0), QStringLiteral("[Общие установки]"));
    EXPECT_EQ(keysOf(read.memo), rows);
    EXPECT_EQ(keysOf(defaultSettingsLines()), rows.mid(1));
    EXPECT_TRUE(read.memo.contains(QStringLiteral("СК=1")));
}
