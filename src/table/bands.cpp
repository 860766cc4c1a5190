// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/bands.h"

namespace tolvin {

const std::array<BandRow, 4> &bandTable() {
    static const std::array<BandRow, 4> t = [] {
        std::array<BandRow, 4> rows{};
        for (size_t i = 0; i < rows.size(); ++i) {
            const StationModelRow &m = StationModels[i];
            rows[i] = {m.band, m.caption, m.title, {m.bandLow, m.bandHigh, m.prescalerModulus, m.rxOffset}, m.typeCode};
        }
        return rows;
    }();
    return t;
}

const BandRow &bandRow(int band) {
    return bandTable().at(static_cast<size_t>(band >= 1 && band <= 4 ? band - 1 : 0));
}

int bandForStationType(uint8_t code) {
    const StationModelRow *m = modelOfType(code);
    return m ? m->band : 0;
}

QString inertBandCaption() {
    return QStringLiteral("57-57,5 МГц");
}

const QStringList &moduleCaptions() {
    static const QStringList l{
        QStringLiteral("Нет модуля"),
        QStringLiteral("Маскиратор 09ЛМ300-02Д"),
        QStringLiteral("Модуль Стройлинк"),
        QStringLiteral("Маскиратор Ферсан"),
        QStringLiteral("Маскиратор типа \"Тамбра\""),
        QStringLiteral("Маскиратор 09ЛМ027Д"),
    };
    return l;
}

} // namespace tolvin
