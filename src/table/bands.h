// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station's frequency bands, one per model of the model table, and the add-on modules.
#include "layout/station_models.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace tolvin {

// The start-up values are the first band's.
struct BandSettings {
    int32_t BandLow = StationModels.front().bandLow;     // kHz, inclusive
    int32_t BandHigh = StationModels.front().bandHigh;   // kHz, inclusive
    int32_t PrescalerModulus = StationModels.front().prescalerModulus;
    int32_t RxOffset = StationModels.front().rxOffset;   // kHz, signed
    bool operator==(const BandSettings &) const = default;
};

struct BandRow {
    int band;                 // from 1, the menu's select-band number
    const char16_t *caption;  // menu item
    const char16_t *title;    // window title, the model's name
    BandSettings settings;
    uint8_t stationType;
};

// The bands in menu order (the inert "57-57,5 МГц" item is not a band), from the model table.
using BandTable = std::array<BandRow, StationModels.size()>;
const BandTable &bandTable();
// Band 1 up to bandTable().size(); a number no band has gives the first band.
const BandRow &bandRow(int band);

// Station type code -> band number, 0 when the code names no band.
int bandForStationType(uint8_t code);

// The inert band item between band 1 and band 2.
QString inertBandCaption();

// What a technician reads about the models, from the model table: "Толвин 7К-61..64" (the first
// and the last model number), "61, 62, 63, 64" with `separator` ", ", and the type codes the
// stations answer with, runs joined as "0-4".
QString modelFamily();
QString modelNumbers(const QString &separator);
QString knownTypeCodes();

// Module menu captions, position = ModuleType.
const QStringList &moduleCaptions();

} // namespace tolvin
