// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/lists.h"

#include "common/numbers.h"

namespace tolvin {

bool isCheckboxColumn(int col) {
    return col == ColScan || col == ColIdTone || col == ColActive;
}

bool checkboxDefault(int col) {
    return col != ColIdTone;
}

const QStringList &columnHeaders() {
    static const QStringList h{
        QStringLiteral("№ кан."), QStringLiteral(" Rx, кГц"), QStringLiteral(" Tx, кГц"),
        QStringLiteral("CTC_Rx"), QStringLiteral("CTC_Tx"), QStringLiteral("DCS_Rx"),
        QStringLiteral("DCS_Tx"), QStringLiteral("Тон_Rx"), QStringLiteral("Тон_Tx"),
        QStringLiteral("  ШП"), QStringLiteral("P_max"), QStringLiteral("P_min"),
        QStringLiteral("Скан."), QStringLiteral("  SW"), QStringLiteral("Id_Тон"),
        QStringLiteral("Tx_Off"), QStringLiteral("Время"), QStringLiteral("Акт")};
    return h;
}

QString cellPlace(int col, int row) {
    return QStringLiteral("Канал %1, %2").arg(row).arg(columnHeaders().value(col).trimmed());
}

const QStringList &fileColumnHeaders() {
    static const QStringList h = [] {
        QStringList l = columnHeaders();
        l[ColTx] = QStringLiteral(" Tx, кГЦ");
        return l;
    }();
    return h;
}

const QStringList &ToneList() {
    static const QStringList l{
        QStringLiteral("Нет"), "67,0", "71,9", "77,0", "82,5", "88,5", "94,8", "100,0", "103,5",
        "107,2", "110,9", "114,8", "118,8", "123,0", "127,3", "131,8", "136,5", "141,3", "146,2",
        "151,4", "156,7", "162,2", "167,9", "173,8", "179,9", "186,2", "192,8", "203,5", "210,7",
        "218,1", "225,7", "233,6", "241,8", "250,3", "67,0", "71,9", "74,4", "77,0", "79,9",
        "82,5", "85,4", "88,5", "91,5", "97,4", "69,4", "159,8", "165,5", "171,3", "177,3",
        "183,5", "189,9", "196,6", "199,5", "206,5", "229,1", "254,1"};
    return l;
}

const QStringList &DcsList() {
    static const QStringList l{
        QStringLiteral("Нет"), "023", "025", "026", "031", "032", "036", "043", "047", "051",
        "054", "065", "071", "072", "073", "074", "114", "115", "116", "125", "131", "132", "134",
        "143", "152", "155", "156", "162", "165", "172", "174", "205", "223", "226", "243", "244",
        "245", "251", "261", "263", "265", "271", "306", "311", "315", "331", "343", "346", "351",
        "364", "365", "371", "411", "412", "413", "423", "431", "432", "445", "464", "465", "466",
        "503", "506", "516", "532", "546", "565", "606", "612", "624", "627", "631", "632", "654",
        "662", "664", "703", "712", "723", "731", "732", "734", "743", "754"};
    return l;
}

namespace {
QStringList numbered(int from, int to, bool withNone) {
    QStringList l;
    if (withNone)
        l << QStringLiteral("Нет");
    for (int i = from; i <= to; ++i)
        l << QString::number(i);
    return l;
}
} // namespace

const std::array<ListEditor, 8> &listEditors() {
    static const std::array<ListEditor, 8> e{{
        {ListKind::ComboBox1, "ComboBox1", ToneList()},
        {ListKind::ComboBox2, "ComboBox2", DcsList()},
        {ListKind::ComboBox3, "ComboBox3", numbered(1, 10, true)},
        {ListKind::ComboBox4, "ComboBox4", numbered(1, 6, false)},
        {ListKind::ComboBox5, "ComboBox5", numbered(1, 4, false)},
        {ListKind::ComboBox6, "ComboBox6", {QStringLiteral("12,5"), QStringLiteral("25")}},
        {ListKind::ComboBox7, "ComboBox7", numbered(1, 15, true)},
        {ListKind::ComboBox8, "ComboBox8", {QStringLiteral("Норм"), QStringLiteral("RSSI"), QStringLiteral("OFF")}},
    }};
    return e;
}

const ListEditor *listEditorForColumn(int col) {
    static const int map[ColumnCount] = {-1, -1, -1, 0, 0, 1, 1, 2, 2, 3, 4, 4, -1, 5, -1, 7, 6, -1};
    if (col < 0 || col >= ColumnCount || map[col] < 0)
        return nullptr;
    return &listEditors()[map[col]];
}

bool isTypedColumn(int col) {
    return col >= ColNumber && col <= ColTx;
}

int preselectItem(ListKind kind, const QString &text, const QString &place) {
    const auto &items = listEditors()[static_cast<int>(kind)].items;
    auto inRange = [&](int i) { return i >= 0 && i < items.size() ? i : -1; };
    switch (kind) {
    case ListKind::ComboBox1:
    case ListKind::ComboBox2: {
        int found = -1; // last equal entry wins
        for (int i = 0; i < items.size(); ++i)
            if (items[i] == text)
                found = i;
        return found;
    }
    case ListKind::ComboBox3:
    case ListKind::ComboBox7:
        if (text == QStringLiteral("Нет"))
            return 0;
        return inRange(strToInt(text, place));
    case ListKind::ComboBox4:
    case ListKind::ComboBox5: {
        const int n = strToInt(text, place);
        return n >= 1 ? inRange(n - 1) : -1;
    }
    case ListKind::ComboBox6:
        return items.indexOf(text);
    case ListKind::ComboBox8:
        return items.indexOf(text);
    }
    return -1;
}

} // namespace tolvin
