// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixed lists of the channel table: column headers, squelch lists, the eight list editors.
#include <QString>
#include <QStringList>
#include <array>

namespace tolvin {

constexpr int ColumnCount = 18;

enum Column : int {
    ColNumber = 0, ColRx = 1, ColTx = 2, ColCtcRx = 3, ColCtcTx = 4, ColDcsRx = 5, ColDcsTx = 6,
    ColToneRx = 7, ColToneTx = 8, ColNoise = 9, ColPmax = 10, ColPmin = 11, ColScan = 12,
    ColSpacing = 13, ColIdTone = 14, ColTxOff = 15, ColTime = 16, ColActive = 17,
};

// The three columns whose value is a check box, in the order their overlays are created.
constexpr std::array<int, 3> CheckboxColumns{ColScan, ColIdTone, ColActive};
bool isCheckboxColumn(int col);
bool checkboxDefault(int col); // 12: checked, 14: unchecked, 17: checked

// Row 0 as template creation and the station read write it.
const QStringList &columnHeaders();
// Row 0 as the settings file reader writes it (column 2 with a capital Ц).
const QStringList &fileColumnHeaders();

// A channel cell as a message names it, by row (1..N) and header: "Канал 5, Rx, кГц".
QString cellPlace(int col, int row);

// 56 CTCSS texts; the position is the code, so the five duplicates stay where they are.
const QStringList &ToneList();
// 85 DCS texts, "Нет" first.
const QStringList &DcsList();

// The eight drop-down editors laid over list cells.
enum class ListKind { ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6, ComboBox7, ComboBox8 };
struct ListEditor {
    ListKind kind;
    const char *name;      // "ComboBox1" ...
    QStringList items;
};
const std::array<ListEditor, 8> &listEditors();
// The editor of a column, or nullptr for typed and check-box columns.
const ListEditor *listEditorForColumn(int col);
// Only these columns of channel rows take typing.
bool isTypedColumn(int col);

// Which item a list opens on for a cell text; -1 (no selection) for a text the list does not
// hold, so that a list never carries a value over from an earlier cell. Throws ConversionError,
// naming `place`, where the cell must be an integer.
int preselectItem(ListKind kind, const QString &cellText, const QString &place = QString());

} // namespace tolvin
