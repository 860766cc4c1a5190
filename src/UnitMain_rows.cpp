// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's work on whole channels and on several cells at once: insert, delete, move,
// sort and renumber rows, clear cells, and a list cell's item picked by typing.
#include "UnitMain.h"

#include "gui/cell_editors.h"
#include "gui/string_grid.h"
#include "table/channel_rows.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QItemSelectionModel>

using namespace tolvin;

namespace {

std::optional<std::pair<int, int>> asPair(const std::optional<ChannelRange> &r) {
    if (!r)
        return std::nullopt;
    return std::make_pair(r->first, r->last);
}

} // namespace

void TFormMain::rowAction(const QString &undoStep,
                          const std::function<std::optional<std::pair<int, int>>(int, int)> &action) {
    if (!m_editor.view.grid)
        return;
    if (QComboBox *open = cellEditors->visibleList())
        hideList(open);
    const auto [first, last] = StringGrid1->selectedRows();
    std::optional<std::pair<int, int>> shown;
    act([&] { shown = action(qMax(first, 1), qMax(last, 1)); }, undoStep);
    if (shown)
        StringGrid1->showRows(shown->first, shown->second);
}

void TFormMain::InsertChannelClick() {
    rowAction(QStringLiteral("Вставка канала"), [this](int first, int) { return asPair(insertChannel(m_editor, first, m_op)); });
}

void TFormMain::DeleteChannelsClick() {
    rowAction(QStringLiteral("Удаление каналов"), [this](int first, int last) {
        return asPair(deleteChannels(m_editor, {first, last}, m_op));
    });
}

void TFormMain::MoveChannelsClick(int delta) {
    rowAction(QStringLiteral("Перемещение каналов"), [this, delta](int first, int last) {
        return asPair(moveChannels(m_editor, {first, last}, delta));
    });
}

void TFormMain::SortChannelsClick(bool byNumber) {
    rowAction(byNumber ? QStringLiteral("Сортировка по номеру канала") : QStringLiteral("Сортировка по частоте приема"),
              [this, byNumber](int, int) {
                  byNumber ? sortChannelsByNumber(m_editor) : sortChannelsByReceive(m_editor);
                  return std::make_optional(std::make_pair(1, 1));
              });
}

void TFormMain::RenumberClick() {
    rowAction(QStringLiteral("Перенумерация каналов"), [this](int first, int last) {
        renumberChannels(m_editor);
        return std::make_optional(std::make_pair(first, last));
    });
}

void TFormMain::ClearCellsClick() {
    if (!m_editor.view.grid)
        return;
    QModelIndexList cells = StringGrid1->selectionModel()->selectedIndexes();
    if (cells.isEmpty() && StringGrid1->currentIndex().isValid())
        cells << StringGrid1->currentIndex();
    act([&] {
        for (const QModelIndex &i : cells) {
            if (!isTypedColumn(i.column()))
                continue;
            m_editor.table.setCell(i.column(), i.row() + 1, QString());
            StringGrid1->tableModel()->cellChanged(i.column(), i.row() + 1);
        }
    }, QStringLiteral("Очистка ячеек"));
}

void TFormMain::typedOnListCell(int col, int row, const QString &typed) {
    const ListEditor *list = listEditorForColumn(col);
    if (!list || row < 1)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    m_typedOnList = now - m_typedOnListAt <= QApplication::keyboardInputInterval() ? m_typedOnList + typed : typed;
    m_typedOnListAt = now;
    const auto find = [&](const QString &start) {
        for (const QString &item : list->items)
            if (item.startsWith(start, Qt::CaseInsensitive))
                return item;
        return QString();
    };
    QString item = find(m_typedOnList);
    // A character that continues no item starts over: "1", "5" on a list without "15" is "5".
    if (item.isEmpty() && m_typedOnList != typed) {
        m_typedOnList = typed;
        item = find(typed);
    }
    if (item.isEmpty()) {
        m_op.beep();
        return;
    }
    act([&] {
        m_editor.table.setCell(col, row, item);
        StringGrid1->tableModel()->cellChanged(col, row);
    }, QStringLiteral("Правка ячейки"));
}
