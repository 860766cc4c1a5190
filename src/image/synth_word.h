// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The synthesizer word: a channel frequency as the station's synthesizer takes it, three bytes
// (P = frequency in 6,25 kHz steps, split by the band's prescaler modulus into N and A).
#include "table/bands.h"

#include <QString>
#include <array>
#include <cstdint>

namespace tolvin {

using SynthWord = std::array<uint8_t, 3>;

// The receive side adds the band's RxOffset; the transmit side has none.
enum class SynthSide { Receive, Transmit };

// kHz must lie in the band and on the 6,25 kHz raster (the data check makes sure of both).
SynthWord encodeSynthWord(double kHz, SynthSide side, const BandSettings &band);

// The frequency a word stands for, in kHz. Total: any three bytes give a number.
double synthWordKHz(const SynthWord &w, SynthSide side, const BandSettings &band);

// The cell text of a received word: the repeater marker when the first byte is 0, else the
// frequency in the "%6.2f" form with a decimal comma ("150000,00").
QString synthWordText(const SynthWord &w, SynthSide side, const BandSettings &band);

// The repeater markers of the two frequency columns.
QString repeaterMarker(SynthSide side);

} // namespace tolvin
