// Any bytes as a station's answer to the read command: decoding takes what arrived and never
// reads outside a list or the image.
#include "station_link/station_readout.h"
#include "table/bands.h"

#include <QByteArray>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray stream(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const tolvin::BandRow &band : tolvin::bandTable())
        (void)tolvin::readStation(stream, band.settings);
    return 0;
}
