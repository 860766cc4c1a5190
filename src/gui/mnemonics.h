// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The letters that Alt and an open menu answer to. A caption is the system's own text; its
// letter is marked for Qt and never shown as part of it.
#include <QString>

class QMainWindow;
class QMenu;

namespace tolvin {

// `caption` with `letter` marked at its first occurrence (the same case first, then either);
// a caption without that letter stays as it is. Ampersands of the caption are kept as text.
QString mnemonicCaption(const QString &caption, const QString &letter);
// What the menu shows: the caption without its mark and without a shortcut part after a tab.
QString plainCaption(const QString &text);
// Marks, in every item of `menu` that has none, the first letter or digit no other item of
// the menu has yet: lists of models and modules whose captions are the system's own.
void markFreeLetters(QMenu *menu);

// The window's menus from the keyboard whatever the keyboard's layout: F10, or Alt pressed and
// let go alone, opens the first menu; Alt with a key opens the menu whose letter that key carries
// on a Russian keyboard (Alt+R is "Каналы" with the Latin layout on), and in an open menu the key
// of an item's letter picks it the same way.
void installMenuKeys(QMainWindow *window);

// The Russian letter on the key that gives `latin` in the Latin layout (ЙЦУКЕН over QWERTY), or
// a null character for a key that carries none.
QChar russianLetterOnKey(QChar latin);

} // namespace tolvin
