// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A type code and a model number that no row of the model table has, for what the programs do
// with a station or an argument they do not know. They move on when the table grows.
#include "layout/station_models.h"

#include <algorithm>
#include <cstdint>

namespace tolvin::test {

// Asked row by row: a sanitizer build takes no pointer comparison into the table as constant.
inline constexpr uint8_t UnknownTypeCode = [] {
    for (int code = 0;; ++code) {
        bool known = false;
        for (const StationModelRow &m : StationModels)
            known = known || m.answersWith(uint8_t(code));
        if (!known)
            return uint8_t(code);
    }
}();

inline constexpr int UnknownModelNumber = [] {
    int number = 0;
    for (const StationModelRow &m : StationModels)
        number = std::max(number, m.modelNumber + 1);
    return number;
}();

} // namespace tolvin::test
