#pragma once
class QWidget;

namespace tolvin {
// Puts a top-level window in the middle of the screen it is on, by its real size.
void centreOnScreen(QWidget *window);
} // namespace tolvin
