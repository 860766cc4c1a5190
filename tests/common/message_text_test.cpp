// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/message_text.h"

#include <gtest/gtest.h>

using namespace tolvin;

TEST(MessageTextTest, ShowsAReadableHead) {
    const QString sixty(60, u'ж');
    struct Case { const char *name; QString in; QString shown; };
    const Case cases[] = {
        {"short text as it is", u"140006,25"_qs, u"140006,25"_qs},
        {"sixty characters fit", sixty, sixty},
        {"one more is cut", sixty + u"ж"_qs, sixty + u"…"_qs},
        {"NUL hides nothing after it", u"12"_qs + QChar(0) + u"34"_qs, u"12\\034"_qs},
        {"line ends and tabs", u"140000\r\n[3]\tx"_qs, u"140000\\r\\n[3]\\tx"_qs},
        {"other controls in hex", QString(QChar(0x1B)) + QChar(0x7F) + QChar(0x98), u"\\x1B\\x7F\\x98"_qs},
        {"byte order mark", QString(QChar(0xFEFF)) + u"[1]"_qs, u"\\uFEFF[1]"_qs},
        {"an escape is not cut in half", QString(59, u'a') + u"\r"_qs, QString(59, u'a') + u"…"_qs},
        {"a pair of surrogates stays whole", QString(59, u'a') + u"😀"_qs, QString(59, u'a') + u"😀"_qs},
        {"empty", QString(), QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(visibleText(c.in), c.shown) << c.name;
    EXPECT_EQ(quotedText(u"a\tb"_qs), u"\"a\\tb\""_qs);
    EXPECT_EQ(visibleText(QString(10 * 1024 * 1024, u'7')).size(), 61);
}
