#include "gui/cell_editors.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QWidget>

namespace tolvin {

CellEditors::CellEditors(QWidget *panel) : QObject(panel) {
    for (const ListEditor &e : listEditors()) {
        auto *box = new QComboBox(panel);
        box->setObjectName(QString::fromLatin1(e.name));
        box->addItems(e.items);
        box->setMaxVisibleItems(12);
        box->hide();
        box->installEventFilter(this);
        const int number = static_cast<int>(e.kind) + 1;
        connect(box, &QComboBox::activated, this, [this, number] { Q_EMIT left(number); });
        m_lists[static_cast<int>(e.kind)] = box;
    }
}

int CellEditors::numberOf(const QObject *box) const {
    for (int i = 0; i < 8; ++i)
        if (m_lists[i] == box)
            return i + 1;
    return 0;
}

void CellEditors::open(const ListEditor &editor, const QRect &rect, const QString &cellText) {
    QComboBox *box = list(editor.kind);
    const int item = preselectItem(editor.kind, cellText, box->currentIndex());
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

bool CellEditors::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::FocusOut) {
        // Opening the drop-down takes the focus to the popup; that is not leaving the list.
        auto *fe = static_cast<QFocusEvent *>(event);
        if (fe->reason() != Qt::PopupFocusReason) {
            if (const int n = numberOf(watched))
                Q_EMIT left(n);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tolvin
