// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/type_guard.h"

#include "table/bands.h"

namespace tolvin {

QString stationModelText(uint8_t typeCode) {
    const int band = bandForStationType(typeCode);
    if (band == 0)
        return QStringLiteral("неизвестного типа (код %1)").arg(typeCode);
    const BandRow &row = bandRow(band);
    QString model = QString::fromUtf16(row.title);
    model.remove(QStringLiteral("Толвин "));
    // The band menu keeps its own spelling of one caption; a sentence uses the unit's.
    QString range = QString::fromUtf16(row.caption);
    range.replace(QStringLiteral("Мгц"), QStringLiteral("МГц"));
    return QStringLiteral("%1 (%2)").arg(model, range);
}

QString typeMismatchQuestion(uint8_t stationCode, uint8_t configuredType) {
    const int station = bandForStationType(stationCode);
    if (station != 0 && station == bandForStationType(configuredType))
        return QString();
    const QString where = station == 0 ? QStringLiteral("Станция %1").arg(stationModelText(stationCode))
                                       : QStringLiteral("В станции %1").arg(stationModelText(stationCode));
    return QStringLiteral("%1, а данные подготовлены для %2. Записать всё равно?")
        .arg(where, stationModelText(configuredType));
}

} // namespace tolvin
