// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The eight drop-down lists laid over list cells of the grid (ComboBox1..ComboBox8).
#include "table/lists.h"

#include <QObject>
#include <QRect>
#include <array>

class QComboBox;
class QKeyEvent;
class QWidget;

namespace tolvin {

class CellEditors : public QObject {
    Q_OBJECT
public:
    explicit CellEditors(QWidget *panel);

    QComboBox *list(int number) const { return m_lists.at(number - 1); } // 1..8
    QComboBox *list(ListKind kind) const { return m_lists.at(static_cast<int>(kind)); }
    int numberOf(const QObject *box) const; // 1..8, 0 if none
    // Places the list over `rect` (panel coordinates), preselects from the cell text, shows
    // it and gives it the focus. A cell that must be an integer and is not throws, naming
    // `place`, before anything is shown.
    void open(const ListEditor &editor, const QRect &rect, const QString &cellText, const QString &place);
    QComboBox *visibleList() const;
    // Whether `w` is the list itself or part of its drop-down.
    bool isPartOf(const QComboBox *box, const QWidget *w) const;

Q_SIGNALS:
    void picked(int number);  // the technician chose an item (drop-down or typed letters)
    void left(int number);    // the focus went elsewhere, or Escape: the cell stays as it was
    // A grid key arrived on a closed list; the grid gets it, the list goes away unchanged.
    void navigated(int number, int key, Qt::KeyboardModifiers modifiers);
    // Characters typed on a closed list: the window picks the item they begin, as it does for
    // characters typed on the cell, so that "1" then "2" give "12" either way.
    void typed(int number, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleKey(QComboBox *box, int number, const QKeyEvent *ke);
    std::array<QComboBox *, 8> m_lists{};
};

} // namespace tolvin
