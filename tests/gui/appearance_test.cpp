// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/appearance.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

// Qt's own dialogs speak the program's language on any desktop.
TEST(Appearance, QtDialogsInRussian) {
    ASSERT_TRUE(tolvin::installRussianTranslation()) << "qtbase_ru.qm is missing (qt6-translations-l10n)";
    struct Case { const char *context; const char *source; const char16_t *russian; };
    const Case cases[] = {
        {"QFileDialog", "Look in:", u"Перейти к:"},
        {"QFileDialog", "&Save", u"&Сохранить"},
        {"QPlatformTheme", "Cancel", u"Отмена"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(QCoreApplication::translate(c.context, c.source), QString::fromUtf16(c.russian)) << c.source;
}
