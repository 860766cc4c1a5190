// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station's four frequency bands and the add-on modules.
#include "layout/station_models.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace tolvin {

struct BandSettings {
    int32_t BandLow = 30000;          // kHz, inclusive
    int32_t BandHigh = 60000;         // kHz, inclusive
    int32_t PrescalerModulus = 8;
    int32_t RxOffset = 10700;         // kHz, signed
    bool operator==(const BandSettings &) const = default;
};

struct BandRow {
    int band;                 // 1..4, the menu's select-band number
    const char16_t *caption;  // menu item
    const char16_t *title;    // window title, the model's name
    BandSettings settings;
    uint8_t stationType;
};

// Bands 1..4 in menu order (the inert "57-57,5 МГц" item is not a band), from the model table.
const std::array<BandRow, 4> &bandTable();
const BandRow &bandRow(int band); // band 1..4

// Station type code -> band number, 0 when the code names no band.
int bandForStationType(uint8_t code);

// The inert band item between band 1 and band 2.
QString inertBandCaption();

// Module menu captions, position = ModuleType.
const QStringList &moduleCaptions();

} // namespace tolvin
