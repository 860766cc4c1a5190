// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/editor.h"

#include "support/unknown_values.h"

#include <gtest/gtest.h>

using namespace tolvin;

TEST(Bands, EachBandSetsTitleLimitsTypeAndStartField) {
    for (const StationModelRow &m : StationModels) {
        SCOPED_TRACE(m.modelNumber);
        Editor ed;
        ed.view = {true, true, true, false};
        ed.templ.start = QStringLiteral("1");
        ed.state.DataChecked = 1;
        selectBand(ed, m.band);
        EXPECT_EQ(ed.state.title, QString::fromUtf16(m.title));
        EXPECT_EQ(ed.state.tickedBand, m.band);
        EXPECT_EQ(ed.state.bandSettings, (BandSettings{m.bandLow, m.bandHigh, m.prescalerModulus, m.rxOffset}));
        EXPECT_EQ(ed.state.StationType, m.typeCode);
        EXPECT_EQ(ed.templ.start, QString::number(m.bandLow));
        EXPECT_FALSE(ed.view.panel1 || ed.view.memo || ed.view.grid);
        EXPECT_EQ(ed.state.DataChecked, 1); // a band change does not touch the check
    }
}

TEST(Bands, FirstBandKeepsStationTypeTwo) {
    Editor ed;
    ed.state.StationType = 2;
    selectBand(ed, 1);
    EXPECT_EQ(ed.state.StationType, 2);
    selectBand(ed, 2);
    selectBand(ed, 1);
    EXPECT_EQ(ed.state.StationType, 1);
}

TEST(Bands, ByStationTypeCode) {
    struct Case { int code; int band; uint8_t typeAfter; };
    const Case cases[] = {{0, 2, 0}, {1, 1, 1}, {2, 1, 2}, {3, 4, 3}, {4, 3, 4}, {test::UnknownTypeCode, 0, 2}, {255, 0, 2}};
    for (const auto &c : cases) {
        Editor ed;
        selectBand(ed, 2);
        ed.state.StationType = static_cast<uint8_t>(c.code);
        const bool selected = selectBandByStationType(ed, static_cast<uint8_t>(c.code));
        EXPECT_EQ(selected, c.band != 0) << c.code;
        EXPECT_EQ(ed.state.tickedBand, c.band ? c.band : 2) << c.code;
        if (c.band)
            EXPECT_EQ(ed.state.StationType, c.typeAfter) << c.code;
        else
            EXPECT_EQ(ed.state.StationType, c.code) << c.code;
    }
}

TEST(Bands, BandChangeRemovesCheckBoxesButKeepsTexts) {
    Editor ed;
    ed.table.setRowCount(4);
    ed.table.setCell(ColRx, 2, QStringLiteral("30000"));
    createAllOverlays(ed);
    ed.state.PrevRowCount = 4;
    selectBand(ed, 3);
    for (int r = 1; r < 4; ++r)
        for (int col : CheckboxColumns)
            EXPECT_FALSE(ed.table.hasFlag(col, r));
    EXPECT_EQ(ed.table.cell(ColRx, 2), QStringLiteral("30000"));
}

TEST(Modules, ItemSetsCodeAndTick) {
    Editor ed;
    EXPECT_EQ(ed.state.tickedModule, 0);
    for (int item : {3, 3, 5, 0}) {
        chooseModule(ed, item);
        EXPECT_EQ(ed.state.ModuleType, item);
        EXPECT_EQ(ed.state.tickedModule, item);
    }
    chooseModule(ed, 6); // not an item
    EXPECT_EQ(ed.state.ModuleType, 0);
}
