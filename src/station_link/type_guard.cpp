// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/type_guard.h"

#include "table/bands.h"

namespace tolvin {

namespace {

// "7К-64"; "типа с кодом 9" for a code that names no model.
QString modelName(uint8_t typeCode) {
    const int band = bandForStationType(typeCode);
    if (band == 0)
        return QStringLiteral("типа с кодом %1").arg(typeCode);
    return QString::fromUtf16(bandRow(band).title).remove(QStringLiteral("Толвин "));
}

} // namespace

QString storedTypeNote(uint8_t storedType, uint8_t answeredType) {
    const int stored = bandForStationType(storedType);
    const int answered = bandForStationType(answeredType);
    if (stored == answered && (stored != 0 || storedType == answeredType))
        return QString();
    return QStringLiteral("в памяти станции данные для %1, а станция отвечает как %2")
        .arg(modelName(storedType), modelName(answeredType));
}

QString stationModelText(uint8_t typeCode) {
    const int band = bandForStationType(typeCode);
    if (band == 0)
        return QStringLiteral("неизвестного типа (код %1)").arg(typeCode);
    const BandRow &row = bandRow(band);
    const QString model = modelName(typeCode);
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
