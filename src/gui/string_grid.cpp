// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/string_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace tolvin {

namespace {
const QColor HighlightColour(80, 127, 255);
const QColor GridColour(255, 204, 204);
const QColor FocusTextColour(128, 0, 128);
const QColor FocusFrameColour(0, 0, 0);
const QColor SelectionColour(170, 200, 255); // a range picked for copying
const int ColumnWidths[ColumnCount] = {40, 55, 55, 48, 47, 47, 46, 44, 42, 33, 38, 35, 33, 34, 39, 40, 41, 32};
} // namespace

int ChannelTableModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_table.channelCount();
}

int ChannelTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ChannelTableModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid())
        return {};
    const int col = index.column();
    const int row = index.row() + 1;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_table.cell(col, row);
    case Qt::CheckStateRole:
        if (m_table.hasFlag(col, row))
            return m_table.flag(col, row) ? Qt::Checked : Qt::Unchecked;
        return {};
    default:
        return {};
    }
}

bool ChannelTableModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid())
        return false;
    const int col = index.column();
    const int row = index.row() + 1;
    if (role == Qt::EditRole && isTypedColumn(col)) {
        m_table.setCell(col, row, value.toString());
    } else if (role == Qt::CheckStateRole && m_table.hasFlag(col, row)) {
        m_table.setFlag(col, row, value.toInt() == Qt::Checked);
    } else {
        return false;
    }
    Q_EMIT dataChanged(index, index);
    return true;
}

QVariant ChannelTableModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole)
        return m_table.cell(section, 0);
    if (o == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ChannelTableModel::flags(const QModelIndex &index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (isTypedColumn(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

void ChannelTableModel::reload() {
    beginResetModel();
    endResetModel();
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void ChannelTableModel::cellChanged(int col, int row) {
    if (row >= 1) {
        const QModelIndex i = index(row - 1, col);
        Q_EMIT dataChanged(i, i);
    } else {
        Q_EMIT headerDataChanged(Qt::Horizontal, col, col);
    }
}

StringGrid::StringGrid(Editor &editor, QWidget *parent)
    : QTableView(parent), m_editor(editor), m_model(new ChannelTableModel(editor.table, this)) {
    setObjectName(QStringLiteral("StringGrid1"));
    setModel(m_model);
    setItemDelegate(new GridCellPainter(editor, this));
    // A range of cells can be selected for copying into a spreadsheet.
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(20);
    verticalHeader()->setMinimumSectionSize(10);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setFixedHeight(20);
    horizontalHeader()->setMinimumSectionSize(10);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < ColumnCount; ++c)
        setColumnWidth(c, ColumnWidths[c]);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, GridColour);
    pal.setColor(QPalette::Text, Qt::darkBlue);
    setPalette(pal);
    setStyleSheet(QStringLiteral("QTableView { gridline-color: #a0a0a0; }"));
    // At the end of its range a table view aligns the last row with the bottom, which pushes
    // part of the first row under the header. The grid keeps whole rows from the top instead.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { alignRowsToTop(); });
}

void StringGrid::alignRowsToTop() {
    const int value = verticalScrollBar()->value();
    if (value < 0 || value >= m_model->rowCount(QModelIndex()))
        return;
    const int wanted = verticalHeader()->sectionPosition(verticalHeader()->logicalIndex(value));
    if (verticalHeader()->offset() != wanted) {
        verticalHeader()->setOffset(wanted);
        viewport()->update();
    }
}

void StringGrid::updateGeometries() {
    QTableView::updateGeometries();
    alignRowsToTop();
}

int StringGrid::currentCol() const {
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

int StringGrid::currentRow() const {
    return currentIndex().isValid() ? currentIndex().row() + 1 : -1;
}

void StringGrid::setCurrentCell(int col, int row) {
    setCurrentIndex(m_model->index(row - 1, col));
}

void StringGrid::pointAt(int col, int row) {
    const QModelIndex cell = m_model->index(row - 1, col);
    if (!cell.isValid())
        return;
    m_editor.state.SelectedRow = row;
    m_editor.state.SelectedCol = col;
    m_pointing = true;
    selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
    m_pointing = false;
    scrollTo(cell);
    setFocus();
    viewport()->update();
}

QRect StringGrid::cellRect(int col, int row) const {
    const QRect r = visualRect(m_model->index(row - 1, col));
    if (!r.isValid() || !viewport()->rect().intersects(r))
        return {};
    return r.translated(viewport()->pos());
}

void StringGrid::reload() {
    m_model->reload();
    // A new table is read from its first row, whatever the old one showed.
    scrollToTop();
    for (int c = 0; c < ColumnCount; ++c)
        setColumnWidth(c, ColumnWidths[c]);
}

void StringGrid::toggleFlag(int col, int row) {
    if (!m_editor.table.hasFlag(col, row))
        return;
    m_editor.table.setFlag(col, row, !m_editor.table.flag(col, row));
    m_model->cellChanged(col, row);
}

std::pair<int, int> StringGrid::selectedRows() const {
    int first = currentRow(), last = currentRow();
    for (const QModelIndex &i : selectionModel()->selectedIndexes()) {
        first = qMin(first, i.row() + 1);
        last = qMax(last, i.row() + 1);
    }
    return {first, last};
}

void StringGrid::showRows(int first, int last) {
    const int scrolled = verticalScrollBar()->value();
    const int col = qMax(0, currentCol());
    m_model->reload();
    verticalScrollBar()->setValue(scrolled);
    const QModelIndex top = m_model->index(first - 1, col);
    if (!top.isValid())
        return;
    m_pointing = true;
    selectionModel()->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(m_model->index(first - 1, 0), m_model->index(last - 1, ColumnCount - 1)),
                             QItemSelectionModel::ClearAndSelect);
    m_pointing = false;
    m_editor.state.SelectedRow = first;
    m_editor.state.SelectedCol = col;
    scrollTo(top);
    viewport()->update();
}

void StringGrid::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    if (key == Qt::Key_Space && isCheckboxColumn(currentCol()) && state() != EditingState) {
        toggleFlag(currentCol(), currentRow());
        return;
    }
    if (state() != EditingState && currentRow() >= 1) {
        const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
        if (key == Qt::Key_Delete && mods == Qt::NoModifier) {
            Q_EMIT clearRequested();
            return;
        }
        if (listEditorForColumn(currentCol())) {
            const bool opens = (mods == Qt::NoModifier && (key == Qt::Key_Return || key == Qt::Key_Enter ||
                                                           key == Qt::Key_F2 || key == Qt::Key_F4)) ||
                               (mods == Qt::AltModifier && key == Qt::Key_Down);
            if (opens) {
                Q_EMIT listRequested(currentCol(), currentRow());
                return;
            }
            const QString text = event->text();
            if (!(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && !text.isEmpty() &&
                text.at(0).isPrint() && !text.at(0).isSpace()) {
                Q_EMIT typedOnList(currentCol(), currentRow(), text);
                return;
            }
        }
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // From the cell editor, Enter arrives here unhandled; closeEditor reports it after the
        // text is committed.
        if (state() != EditingState)
            Q_EMIT keyDown(13);
        return;
    }
    m_extending = event->modifiers() & Qt::ShiftModifier;
    QTableView::keyPressEvent(event);
    m_extending = false;
    Q_EMIT keyDown(key);
}

void StringGrid::mousePressEvent(QMouseEvent *event) {
    m_extending = event->modifiers() & Qt::ShiftModifier;
    QTableView::mousePressEvent(event);
    m_extending = false;
}

void StringGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    // Enter inside the cell editor commits the text and then counts as Enter on the grid.
    if (hint == QAbstractItemDelegate::SubmitModelCache)
        Q_EMIT keyDown(13);
}

void StringGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    QTableView::currentChanged(current, previous);
    // A range being extended (shift with a click or an arrow) ends where it ends; the cell there
    // opens no list, so that the range can be copied.
    if (current.isValid() && !m_pointing && !m_extending)
        Q_EMIT cellSelected(current.column(), current.row() + 1);
}

QRect GridCellPainter::checkboxRect(const QRect &cell) {
    const int side = qMin(13, qMin(cell.width(), cell.height()) - 4);
    return QRect(cell.left() + 2, cell.top() + 2, side, side);
}

void GridCellPainter::paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const {
    const int col = index.column();
    const int row = index.row() + 1;
    const bool focused = m_grid->currentIndex() == index;
    const bool inSelectedRow = row == m_editor.state.SelectedRow;
    const bool inRange = (option.state & QStyle::State_Selected) && m_grid->selectionModel()->selectedIndexes().size() > 1;
    const QColor background = inRange ? SelectionColour : (focused || inSelectedRow) ? HighlightColour : GridColour;
    const QColor text = focused ? FocusTextColour : QColor(Qt::darkBlue);
    const QRect r = option.rect;

    p->save();
    const ChannelTable &t = m_editor.table;
    if (t.hasFlag(col, row)) {
        // A check-box cell is covered by its box, in the box's own colour.
        p->fillRect(r, HighlightColour);
        QStyleOptionButton box;
        box.rect = checkboxRect(r);
        box.state = QStyle::State_Enabled | (t.flag(col, row) ? QStyle::State_On : QStyle::State_Off);
        if (focused)
            box.state |= QStyle::State_HasFocus;
        QApplication::style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, p, m_grid);
    } else {
        p->fillRect(r, background);
        p->setPen(text);
        p->setFont(option.font);
        p->drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, t.cell(col, row));
    }
    // The current cell is framed, so that it stands out of its highlighted row.
    if (focused) {
        p->setPen(QPen(FocusFrameColour, 2));
        p->setBrush(Qt::NoBrush);
        p->drawRect(r.adjusted(1, 1, -1, -1));
    }
    p->restore();
}

bool GridCellPainter::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) {
    const int col = index.column();
    const int row = index.row() + 1;
    if (event->type() == QEvent::MouseButtonRelease && m_editor.table.hasFlag(col, row)) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton && option.rect.contains(me->position().toPoint())) {
            m_grid->toggleFlag(col, row);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

} // namespace tolvin
