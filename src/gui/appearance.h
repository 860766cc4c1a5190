// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tolvin {
// The windows were laid out for an 8-point MS Sans Serif; Liberation Sans has nearly its metrics.
void applyAppearance();
// Qt's own dialogs and buttons (file dialog, message box buttons) speak Russian like the rest of
// the program, whatever the desktop's language. False when the translation is not installed.
bool installRussianTranslation();
}
