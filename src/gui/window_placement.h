#pragma once
class QWidget;

namespace tolvin {
// Puts a top-level window in the middle of the screen it is on, by its real size.
void centreOnScreen(QWidget *window);
// Centres `window` the first time it is shown, once its layout has given it a size; later shows
// leave it where the technician put it.
void centreOnFirstShow(QWidget *window);
} // namespace tolvin
