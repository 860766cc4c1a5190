// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A configuration for one band written into a station of another would put frequencies there
// that the station cannot tune: the write first learns the station's type and stops when the
// bands differ, unless the technician says to go on.
#include <QString>
#include <cstdint>

namespace tolvin {

// "7К-64 (400-470 МГц)": a type code's model and band as the technician names them; for a code
// that names no model, "неизвестного типа (код N)".
QString stationModelText(uint8_t typeCode);

// Empty when the type a station's memory holds (the last write put it there) names the band of
// the type the station answers; otherwise "в памяти станции данные для 7К-62, а станция
// отвечает как 7К-64".
QString storedTypeNote(uint8_t storedType, uint8_t answeredType);

// Empty when the station's type code selects the configuration's band (codes 1 and 2 are one
// band); otherwise the question "В станции 7К-64 (400-470 МГц), а данные подготовлены для 7К-62
// (144-174 МГц). Записать всё равно?".
QString typeMismatchQuestion(uint8_t stationCode, uint8_t configuredType);

} // namespace tolvin
