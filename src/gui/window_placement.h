// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

class QWidget;

namespace tolvin {
// Puts a top-level window in the middle of the screen it is on, by its real size, wholly on it.
void centreOnScreen(QWidget *window);
// Makes a window no larger than its screen's free area and moves it wholly into it.
void fitOnScreen(QWidget *window);
// Centres `window` the first time it is shown, once its layout has given it a size; later shows
// leave it where the technician put it. With a `memoryKey`, a window whose size and place were
// remembered comes back there instead, and they are remembered again when it is hidden.
void centreOnFirstShow(QWidget *window, const QString &memoryKey = QString());
} // namespace tolvin
