// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_fields.h"

#include <gtest/gtest.h>

using namespace tolvin;

TEST(ImageFields, BrightnessBothWays) {
    const int bytes[] = {1, 6, 11, 16, 21};
    for (int s = 1; s <= 5; ++s) {
        EXPECT_EQ(brightnessByte(s), bytes[s - 1]);
        EXPECT_EQ(brightnessText(uint8_t(bytes[s - 1])), QString::number(s));
    }
    // A byte no setting produces must not read back as some other valid setting.
    for (int b : {0, 2, 3, 5, 7, 26, 255})
        EXPECT_EQ(brightnessText(uint8_t(b)), QStringLiteral("?%1").arg(b));
}

TEST(ImageFields, SignsAndFv) {
    EXPECT_EQ(signByte(true), 200);
    EXPECT_EQ(signByte(false), 100);
    EXPECT_EQ(signText(200), QStringLiteral("+"));
    EXPECT_EQ(signText(100), QStringLiteral("-"));
    EXPECT_EQ(signText(0), QStringLiteral("-"));
    EXPECT_EQ(fvByte(2, 4), 0x24);
    EXPECT_EQ(fvByte(4, 5), 69);
    EXPECT_EQ(fvText(0x24), QStringLiteral("24"));
    EXPECT_EQ(fvText(0x0A), QStringLiteral("0A"));
}

TEST(ImageFields, TonesRoundHalvesToEven) {
    struct Case { int hz; int byte; };
    const Case cases[] = {{700, 70}, {2550, 255}, {704, 70}, {705, 70}, {715, 72}, {716, 72},
                          {1985, 198}, {1989, 199}, {1995, 200}, {1000, 100}};
    for (const auto &c : cases)
        EXPECT_EQ(toneByte(c.hz), c.byte) << c.hz;
    EXPECT_EQ(toneHertz(70), 700);
    EXPECT_EQ(toneHertz(255), 2550);
}

TEST(ImageFields, IdCodeDigits) {
    struct Case { const char16_t *text; uint16_t code; };
    const Case cases[] = {
        {u"0001", 0x0001}, {u"*#AB", 0xFEAB}, {u"12#*", 0x12EF}, {u"12x4", 0x1204},
        {u"abcd", 0xABCD}, {u"ABCD", 0xABCD}, {u"EeFf", 0x0000}, {u"9Щ9 ", 0x9090},
    };
    for (const auto &c : cases)
        EXPECT_EQ(idCode(QString::fromUtf16(c.text)), c.code) << QString::fromUtf16(c.text).toStdString();
    // Every code reads back as a text that encodes to it again.
    for (const auto &c : cases)
        EXPECT_EQ(idCode(idText(uint8_t(c.code >> 8), uint8_t(c.code))), c.code) << c.code;
    EXPECT_EQ(idText(0xFE, 0xAB), QStringLiteral("*#AB"));
    EXPECT_EQ(idText(0x00, 0x01), QStringLiteral("0001"));
    EXPECT_EQ(idText(0x12, 0xEF), QStringLiteral("12#*"));
    EXPECT_EQ(serialText(0x01, 0xAB, 0x0C), QStringLiteral("01AB0C"));
}
