// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/read_data_check.h"

#include "check/data_check.h"
#include "common/errors.h"
#include "station_link/read_into_editor.h"
#include "table/editor.h"

namespace tolvin {

QString readDataWarning(const QByteArray &readStream) {
    Editor ed;
    applyCompleteRead(ed, readStream);
    QString reason;
    try {
        const DataCheckResult checked = checkData(ed);
        if (checked.passed)
            return QString();
        reason = checked.message;
    } catch (const AppError &e) {
        reason = e.message();
    }
    // The check's own sentence goes on inside this one.
    reason = reason.trimmed();
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return QStringLiteral("Данные станции не проходят «Контроль»: %1. Возможны помехи на линии.").arg(reason);
}

} // namespace tolvin
