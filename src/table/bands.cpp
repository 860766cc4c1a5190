// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/bands.h"

#include <algorithm>
#include <vector>

namespace tolvin {

const BandTable &bandTable() {
    static const BandTable t = [] {
        BandTable rows{};
        for (size_t i = 0; i < rows.size(); ++i) {
            const StationModelRow &m = StationModels[i];
            rows[i] = {m.band, m.caption, m.title, {m.bandLow, m.bandHigh, m.prescalerModulus, m.rxOffset}, m.typeCode};
        }
        return rows;
    }();
    return t;
}

const BandRow &bandRow(int band) {
    const BandTable &t = bandTable();
    return t[band >= 1 && band <= int(t.size()) ? size_t(band - 1) : 0];
}

int bandForStationType(uint8_t code) {
    const StationModelRow *m = modelOfType(code);
    return m ? m->band : 0;
}

QString inertBandCaption() {
    return QStringLiteral("57-57,5 МГц");
}

QString modelFamily() {
    const auto [low, high] = std::minmax_element(StationModels.begin(), StationModels.end(),
                                                 [](const StationModelRow &a, const StationModelRow &b) {
                                                     return a.modelNumber < b.modelNumber;
                                                 });
    const QString first = QStringLiteral("Толвин 7К-%1").arg(low->modelNumber);
    return low == high ? first : first + QStringLiteral("..%1").arg(high->modelNumber);
}

QString modelNumbers(const QString &separator) {
    QStringList numbers;
    for (const StationModelRow &m : StationModels)
        numbers << QString::number(m.modelNumber);
    return numbers.join(separator);
}

QString knownTypeCodes() {
    std::vector<int> codes;
    for (int code = 0; code < 256; ++code)
        if (modelOfType(uint8_t(code)))
            codes.push_back(code);
    QStringList runs;
    for (size_t i = 0; i < codes.size();) {
        size_t j = i;
        while (j + 1 < codes.size() && codes[j + 1] == codes[j] + 1)
            ++j;
        runs << (j == i ? QString::number(codes[i]) : QStringLiteral("%1-%2").arg(codes[i]).arg(codes[j]));
        i = j + 1;
    }
    return runs.join(QStringLiteral(", "));
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
