// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// StringGrid1: the channel table on screen. Row 0 of the table is drawn as the header; the
// check-box columns are drawn in their cells, so they scroll with them and never drift.
#include "table/editor.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <utility>

namespace tolvin {

class ChannelTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ChannelTableModel(ChannelTable &table, QObject *parent = nullptr)
        : QAbstractTableModel(parent), m_table(table) {}
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // The table changed as a whole (template, load, band change).
    void reload();
    void cellChanged(int col, int row);

private:
    ChannelTable &m_table;
};

class StringGrid : public QTableView {
    Q_OBJECT
public:
    StringGrid(Editor &editor, QWidget *parent);

    ChannelTableModel *tableModel() const { return m_model; }
    // Table coordinates: row 0 is the header row, channel rows start at 1.
    int currentCol() const;
    int currentRow() const;
    void setCurrentCell(int col, int row);
    // Makes the cell current and scrolls it into view without opening its list: the check
    // shows where it failed.
    void pointAt(int col, int row);
    // The cell's rectangle in the grid's own coordinates; empty when it is out of view.
    QRect cellRect(int col, int row) const;
    void reload();
    void toggleFlag(int col, int row);
    // The channel rows the selection spans (table rows), else the current row's.
    std::pair<int, int> selectedRows() const;
    // After rows were inserted, removed or moved: the grid shows the table from where it was
    // scrolled, with rows first..last selected whole and the current column kept.
    void showRows(int first, int last);

Q_SIGNALS:
    void cellSelected(int col, int row);
    void keyDown(int key);
    // Keys on a cell that is not being typed in: Delete, and on a list cell the keys that open
    // its list (Enter, F2, F4, Alt+Down) and the characters that pick from it.
    void clearRequested();
    void listRequested(int col, int row);
    void typedOnList(int col, int row, const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void updateGeometries() override;
    // Typing on a cell picks from that cell's list (typedOnList), never another row.
    void keyboardSearch(const QString &) override {}

private:
    void alignRowsToTop();
    Editor &m_editor;
    ChannelTableModel *m_model;
    bool m_pointing = false;
    bool m_extending = false;
};

// Colours and check boxes of the grid's cells.
class GridCellPainter : public QStyledItemDelegate {
    Q_OBJECT
public:
    GridCellPainter(Editor &editor, StringGrid *grid) : QStyledItemDelegate(grid), m_editor(editor), m_grid(grid) {}
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    static QRect checkboxRect(const QRect &cell);

private:
    Editor &m_editor;
    StringGrid *m_grid;
};

} // namespace tolvin
