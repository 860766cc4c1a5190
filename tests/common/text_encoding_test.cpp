// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp1251.h"
#include "common/text_encoding.h"

#include <gtest/gtest.h>

using namespace tolvin;

TEST(TextEncoding, TellsUtf8FromCodePage1251) {
    const QString russian = QStringLiteral("[Общие установки]\r\nId_номер=0001\r\n");
    const QByteArray bom("\xEF\xBB\xBF", 3);
    struct Case { const char *what; QByteArray bytes; QString text; };
    const Case cases[] = {
        {"code page 1251", toCp1251(russian), russian},
        {"UTF-8", russian.toUtf8(), russian},
        {"UTF-8 with a mark", bom + russian.toUtf8(), russian},
        {"a mark before code page 1251", bom + toCp1251(russian), russian},
        {"ASCII only", QByteArray("[1]\r\nRx=150000\r\n"), QStringLiteral("[1]\r\nRx=150000\r\n")},
        {"a mark alone", bom, QString()},
        // Code page 1251 whose only valid UTF-8 is its ASCII part: the Cyrillic bytes stand alone.
        {"1251 with ASCII and Cyrillic", toCp1251(QStringLiteral("Rx=1\r\nНазвание=Ёлка")),
         QStringLiteral("Rx=1\r\nНазвание=Ёлка")},
        // Broken or disguised sequences are not UTF-8.
        {"overlong", QByteArray("\xC0\xAF"), fromCp1251(QByteArray("\xC0\xAF"))},
        {"surrogate", QByteArray("\xED\xA0\x80"), fromCp1251(QByteArray("\xED\xA0\x80"))},
        {"cut short", QByteArray("abc\xD0"), fromCp1251(QByteArray("abc\xD0"))},
        {"past U+10FFFF", QByteArray("\xF4\x90\x80\x80"), fromCp1251(QByteArray("\xF4\x90\x80\x80"))},
        {"four bytes", QByteArray("\xF0\x9F\x93\xBB"), QString::fromUtf8("\xF0\x9F\x93\xBB")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(decodeFileText(c.bytes), c.text) << c.what;
}
