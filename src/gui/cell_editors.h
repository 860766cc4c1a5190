#pragma once
// The eight drop-down lists laid over list cells of the grid (ComboBox1..ComboBox8).
#include "table/lists.h"

#include <QObject>
#include <QRect>
#include <array>

class QComboBox;
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
    // it and gives it the focus. A cell that must be an integer and is not throws before
    // anything is shown.
    void open(const ListEditor &editor, const QRect &rect, const QString &cellText);
    QComboBox *visibleList() const;

Q_SIGNALS:
    void left(int number); // picked an item, or lost the focus

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::array<QComboBox *, 8> m_lists{};
};

} // namespace tolvin
