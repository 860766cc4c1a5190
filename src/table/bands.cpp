#include "table/bands.h"

namespace tolvin {

const std::array<BandRow, 4> &bandTable() {
    static const std::array<BandRow, 4> t{{
        {1, u"33-48,5 МГц", u"Толвин 7К-61", {30000, 60000, 8, 10700}, 1},
        {2, u"144-174 МГц", u"Толвин 7К-62", {140000, 174000, 32, 45000}, 0},
        {3, u"300-350 МГц", u"Толвин 7К-63", {300000, 350000, 32, -45000}, 4},
        {4, u"400-470 Мгц", u"Толвин 7К-64", {400000, 486000, 32, -45000}, 3},
    }};
    return t;
}

const BandRow &bandRow(int band) {
    return bandTable().at(static_cast<size_t>(band >= 1 && band <= 4 ? band - 1 : 0));
}

int bandForStationType(uint8_t code) {
    switch (code) {
    case 0: return 2;
    case 1:
    case 2: return 1;
    case 3: return 4;
    case 4: return 3;
    default: return 0;
    }
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
