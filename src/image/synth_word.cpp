// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/synth_word.h"

#include "common/numbers.h"

namespace tolvin {

namespace {

constexpr int64_t RasterTenHertz = 625; // 6,25 kHz

int32_t offsetKHz(SynthSide side, const BandSettings &band) {
    return side == SynthSide::Receive ? band.RxOffset : 0;
}

} // namespace

SynthWord encodeSynthWord(double kHz, SynthSide side, const BandSettings &band) {
    const int64_t p = (toTenHertz(kHz) + int64_t(offsetKHz(side, band)) * 100) / RasterTenHertz;
    const int64_t m = band.PrescalerModulus;
    const int64_t n = p / m;
    const int64_t a = p - n * m;
    const auto un = static_cast<uint64_t>(n);
    return SynthWord{
        static_cast<uint8_t>(((un >> 9) & 0x7F) + 0x10),
        static_cast<uint8_t>((un >> 1) & 0xFF),
        static_cast<uint8_t>(4 * a + 1 + ((un & 1) ? 0x80 : 0)),
    };
}

double synthWordKHz(const SynthWord &w, SynthSide side, const BandSettings &band) {
    const int64_t n = (int64_t(w[0] & 0x0F) << 9) + 2 * int64_t(w[1]) + (w[2] >> 7);
    // (third & 0x7F) / 4, rounded with halves to even.
    const int low = w[2] & 0x7F;
    int64_t a = low / 4;
    const int rest = low % 4;
    if (rest == 3 || (rest == 2 && (a & 1)))
        ++a;
    const int64_t p = n * band.PrescalerModulus + a;
    return double(p) * 6.25 - offsetKHz(side, band);
}

QString synthWordText(const SynthWord &w, SynthSide side, const BandSettings &band) {
    if (w[0] == 0)
        return repeaterMarker(side);
    return fixedToStr(synthWordKHz(w, side, band), 2, 6);
}

QString repeaterMarker(SynthSide side) {
    return side == SynthSide::Receive ? QStringLiteral("РЕТР_ПП") : QStringLiteral("РЕТР_ПР");
}

} // namespace tolvin
