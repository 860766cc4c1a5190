// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/cell_editors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>

namespace tolvin {

namespace {

constexpr int VisibleItems = 12;

// Keys that move through the grid; on a closed list they would otherwise step its selection and
// write the next value into the cell unasked.
bool isGridKey(int key) {
    switch (key) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Left: case Qt::Key_Right:
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

} // namespace

CellEditors::CellEditors(QWidget *panel) : QObject(panel) {
    for (const ListEditor &e : listEditors()) {
        auto *box = new QComboBox(panel);
        box->setObjectName(QString::fromLatin1(e.name));
        box->addItems(e.items);
        // A popup in the style's own manner fills the screen height; a plain list view honours
        // the visible item count and scrolls.
        box->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        box->setMaxVisibleItems(VisibleItems);
        int widest = 0;
        for (const QString &item : e.items)
            widest = qMax(widest, box->view()->fontMetrics().horizontalAdvance(item));
        const int scrollBar = e.items.size() > VisibleItems ? box->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
        box->view()->setMinimumWidth(widest + scrollBar + 24);
        box->hide();
        box->installEventFilter(this);
        const int number = static_cast<int>(e.kind) + 1;
        connect(box, &QComboBox::activated, this, [this, number] { Q_EMIT picked(number); });
        m_lists[static_cast<int>(e.kind)] = box;
    }
}

int CellEditors::numberOf(const QObject *box) const {
    for (int i = 0; i < 8; ++i)
        if (m_lists[i] == box)
            return i + 1;
    return 0;
}

void CellEditors::open(const ListEditor &editor, const QRect &rect, const QString &cellText, const QString &place) {
    QComboBox *box = list(editor.kind);
    const int item = preselectItem(editor.kind, cellText, place);
    box->setGeometry(rect.left() + 1, rect.top() + 1, rect.width() + 1, rect.height() + 1);
    box->setCurrentIndex(item);
    box->show();
    box->raise();
    box->setFocus(Qt::OtherFocusReason);
}

QComboBox *CellEditors::visibleList() const {
    for (QComboBox *b : m_lists)
        if (b->isVisible())
            return b;
    return nullptr;
}

bool CellEditors::isPartOf(const QComboBox *box, const QWidget *w) const {
    if (!w)
        return false;
    if (w == box || box->isAncestorOf(w))
        return true;
    const QWidget *popup = box->view() ? box->view()->window() : nullptr;
    return popup && popup != box->window() && (w == popup || popup->isAncestorOf(w));
}

bool CellEditors::handleKey(QComboBox *box, int number, const QKeyEvent *ke) {
    if (box->view()->isVisible())
        return false; // the open drop-down has the keys
    if (ke->key() == Qt::Key_Escape) {
        Q_EMIT left(number);
        return true;
    }
    if (isGridKey(ke->key()) && !(ke->modifiers() & Qt::AltModifier)) {
        Q_EMIT navigated(number, ke->key(), ke->modifiers());
        return true;
    }
    const Qt::KeyboardModifiers mods = ke->modifiers() & ~Qt::KeypadModifier;
    // Enter and F2 open the list as F4 and Alt+Down do.
    if (mods == Qt::NoModifier &&
        (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter || ke->key() == Qt::Key_F2)) {
        box->showPopup();
        return true;
    }
    const QString text = ke->text();
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && !text.isEmpty() &&
        text.at(0).isPrint() && !text.at(0).isSpace()) {
        Q_EMIT typed(number, text);
        return true;
    }
    return false;
}

bool CellEditors::eventFilter(QObject *watched, QEvent *event) {
    auto *box = qobject_cast<QComboBox *>(watched);
    const int n = numberOf(watched);
    if (!box || n == 0)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress && handleKey(box, n, static_cast<QKeyEvent *>(event)))
        return true;
    if (event->type() == QEvent::FocusOut) {
        // Qt sends one or two focus-outs when the drop-down opens (the second with another
        // reason, on the first opening only), and none of them is leaving. Leaving is the
        // keyboard going to a widget that is neither the list nor its drop-down; when no
        // widget of ours has it (another program is in front), the list is still open.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        QWidget *to = QApplication::focusWidget();
        if (reason != Qt::PopupFocusReason && !box->view()->isVisible() && to && !isPartOf(box, to))
            Q_EMIT left(n);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tolvin
