// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp1251.h"

#include <gtest/gtest.h>

using namespace tolvin;

TEST(Cp1251, EveryByteSurvivesTheRoundTrip) {
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    const QString text = fromCp1251(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(toCp1251(text), all);
    EXPECT_EQ(text.at(0x98).unicode(), 0x98); // undefined in the code page, kept as its value
}

TEST(Cp1251, CyrillicLettersAndSigns) {
    struct Case { const char16_t *text; QByteArray bytes; };
    const Case cases[] = {
        {u"Общие", QByteArray("\xCE\xE1\xF9\xE8\xE5")},
        {u"ЁёЦц№", QByteArray("\xA8\xB8\xD6\xF6\xB9")},
        {u"a=b\r\n", QByteArray("a=b\r\n")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(toCp1251(QString::fromUtf16(c.text)), c.bytes);
        EXPECT_EQ(fromCp1251(c.bytes), QString::fromUtf16(c.text));
    }
    EXPECT_EQ(toCp1251(QStringLiteral("中")), QByteArray("?"));
}
