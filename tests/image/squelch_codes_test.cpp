// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/squelch_codes.h"

#include "table/lists.h"

#include <gtest/gtest.h>

#include <set>

using namespace tolvin;

TEST(SquelchCodes, DcsTableIsAPermutationAndItsOwnInverse) {
    const auto &t = dcsCodeTable();
    std::set<int> seen;
    for (int k = 1; k <= 84; ++k) {
        const int e = t[k - 1];
        ASSERT_GE(e, 1);
        ASSERT_LE(e, 84);
        seen.insert(e);
        EXPECT_EQ(t[e - 1], k) << "entry " << k;
    }
    EXPECT_EQ(seen.size(), 84u);
}

TEST(SquelchCodes, TextsToCodes) {
    struct Case { QString text; std::optional<uint8_t> ctcss, dcsMinus, dcsPlus; };
    const Case cases[] = {
        {QStringLiteral("Нет"), 200, 200, 200},
        {QStringLiteral("67,0"), 1, std::nullopt, std::nullopt},  // the first of two copies
        {QStringLiteral("88,5"), 5, std::nullopt, std::nullopt},
        {QStringLiteral("74,4"), 36, std::nullopt, std::nullopt},
        {QStringLiteral("254,1"), 55, std::nullopt, std::nullopt},
        {QStringLiteral("023"), std::nullopt, 1, 8},
        {QStringLiteral("754"), std::nullopt, 84, 18},
        {QStringLiteral("67"), std::nullopt, std::nullopt, std::nullopt},
        {QStringLiteral("23"), std::nullopt, std::nullopt, std::nullopt},
        {QStringLiteral(""), std::nullopt, std::nullopt, std::nullopt},
        {QStringLiteral("нет"), std::nullopt, std::nullopt, std::nullopt},
        {QStringLiteral("?114"), std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ctcssCode(c.text), c.ctcss) << c.text.toStdString();
        EXPECT_EQ(dcsCode(c.text, false), c.dcsMinus) << c.text.toStdString();
        EXPECT_EQ(dcsCode(c.text, true), c.dcsPlus) << c.text.toStdString();
    }
}

TEST(SquelchCodes, EveryListEntryRoundTrips) {
    for (int i = 1; i < DcsList().size(); ++i) {
        const QString &text = DcsList().at(i);
        EXPECT_EQ(dcsText(*dcsCode(text, false), 100), text);
        EXPECT_EQ(dcsText(*dcsCode(text, true), 200), text);
    }
    for (int i = 0; i < ToneList().size(); ++i)
        EXPECT_EQ(ctcssText(uint8_t(i)), ToneList().at(i)); // 34 shows the second "67,0"
}

TEST(SquelchCodes, BytesThatNameNoEntryReadAsVisibleForeignTexts) {
    for (int code = 0; code < 256; ++code) {
        const bool ctcssKnown = code < 56 || code == 200;
        const bool dcsKnown = (code >= 1 && code <= 84) || code == 200;
        const QString c = ctcssText(uint8_t(code));
        const QString dMinus = dcsText(uint8_t(code), 100);
        const QString dPlus = dcsText(uint8_t(code), 200);
        if (!ctcssKnown) {
            EXPECT_EQ(c, QStringLiteral("?%1").arg(code));
            EXPECT_FALSE(ctcssCode(c)) << "the check must refuse " << code;
        }
        if (!dcsKnown) {
            EXPECT_EQ(dMinus, QStringLiteral("?%1").arg(code));
            EXPECT_EQ(dPlus, dMinus);
            EXPECT_FALSE(dcsCode(dMinus, true)) << "the check must refuse " << code;
        }
    }
    // Any numbering byte other than 100 means the code table.
    EXPECT_EQ(dcsText(1, 0), DcsList().at(8));
}
