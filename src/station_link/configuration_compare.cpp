// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/configuration_compare.h"

#include "check/data_check.h"
#include "common/errors.h"
#include "image/station_compare.h"

namespace tolvin {

std::optional<StreamImage> checkedImage(const Editor &ed, QString &why) {
    DataCheckResult checked;
    try {
        checked = checkData(ed);
    } catch (const AppError &e) {
        checked.message = e.message();
    }
    if (!checked.passed) {
        why = checked.message;
        return std::nullopt;
    }
    return StreamImage{checked.image, checked.ModuleType, ed.state.StationType};
}

ConfigurationComparison compareConfigurations(const Editor &first, const Editor &second, const QString &secondFile) {
    ConfigurationComparison c;
    const std::optional<StreamImage> a = checkedImage(first, c.message);
    if (!a) {
        c.unchecked = 1;
        return c;
    }
    const std::optional<StreamImage> b = checkedImage(second, c.message);
    if (!b) {
        c.unchecked = 2;
        return c;
    }
    c.differences = imageDifferences(*b, *a, first.state.bandSettings, QStringLiteral("файле ") + secondFile,
                                     &second.state.bandSettings);
    return c;
}

} // namespace tolvin
