// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/window_placement.h"

#include "gui/window_memory.h"

#include <QEvent>
#include <algorithm>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tolvin {

namespace {

QRect freeArea(const QWidget *window) {
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The frame is not known before the window manager decorates the window; the client size is.
QSize outerSize(const QWidget *window) {
    return window->frameGeometry().size().expandedTo(window->size());
}

} // namespace

void fitOnScreen(QWidget *window) {
    const QRect area = freeArea(window);
    if (area.isEmpty() || window->isMaximized() || window->isFullScreen())
        return;
    const QSize frame = outerSize(window) - window->size();
    const QSize most = (area.size() - frame).expandedTo(window->minimumSize());
    if (window->width() > most.width() || window->height() > most.height())
        window->resize(window->size().boundedTo(most));
    const QSize size = outerSize(window);
    QPoint at = window->frameGeometry().topLeft();
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
    if (at != window->frameGeometry().topLeft())
        window->move(at);
}

void centreOnScreen(QWidget *window) {
    const QRect area = freeArea(window);
    if (area.isEmpty())
        return;
    // A window given its size keeps it; one left to its layout gets the layout's.
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    const QSize size = outerSize(window);
    window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    fitOnScreen(window);
}

namespace {

class FirstShowPlacement : public QObject {
public:
    FirstShowPlacement(QWidget *window, const QString &key) : QObject(window), m_key(key) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        auto *window = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::Show && !m_placed) {
            m_placed = true;
            if (m_key.isEmpty() || !restoreWindowPlace(window, m_key))
                centreOnScreen(window);
            else
                fitOnScreen(window);
            if (m_key.isEmpty()) {
                window->removeEventFilter(this);
                deleteLater();
            }
        } else if (event->type() == QEvent::Hide && m_placed && !m_key.isEmpty()) {
            saveWindowPlace(window, m_key);
        }
        return false;
    }

private:
    QString m_key;
    bool m_placed = false;
};

} // namespace

void centreOnFirstShow(QWidget *window, const QString &memoryKey) {
    new FirstShowPlacement(window, memoryKey);
}

} // namespace tolvin
