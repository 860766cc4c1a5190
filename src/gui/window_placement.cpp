#include "gui/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tolvin {

void centreOnScreen(QWidget *window) {
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->adjustSize();
    const QRect area = screen->availableGeometry();
    // The frame is not known before the window manager decorates the window; the client size is.
    const QSize size = window->frameGeometry().size().expandedTo(window->size());
    window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

namespace {

class CentreOnFirstShow : public QObject {
public:
    explicit CentreOnFirstShow(QWidget *window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show) {
            auto *window = static_cast<QWidget *>(watched);
            window->removeEventFilter(this);
            centreOnScreen(window);
            deleteLater();
        }
        return false;
    }
};

} // namespace

void centreOnFirstShow(QWidget *window) {
    new CentreOnFirstShow(window);
}

} // namespace tolvin
