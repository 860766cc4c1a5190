// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/errors.h"
#include "common/numbers.h"

#include "support/comma_locales.h"

#include <cctype>
#include <functional>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

TEST(Numbers, IntegerForms) {
    struct Case { const char *text; std::optional<int32_t> value; };
    const Case cases[] = {
        {"0", 0}, {"12", 12}, {"  7", 7}, {"+5", 5}, {"-1", -1}, {"$1F", 31}, {"x10", 16},
        {"X10", 16}, {"0x3", 3}, {"-$10", -16}, {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt}, {"", std::nullopt},
        {" ", std::nullopt}, {"12a", std::nullopt}, {"3,", std::nullopt}, {"3x", std::nullopt},
        {"7 ", std::nullopt}, {"$", std::nullopt}, {"0x", std::nullopt}, {"--1", std::nullopt},
        {"1.5", std::nullopt}, {"99999999999", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tryStrToInt(QString::fromLatin1(c.text)), c.value) << c.text;
}

// Other programs' frequencies: exact, either separator, nothing finer than the unit.
TEST(Numbers, ExactDecimalsInUnits) {
    struct Case { const char *text; std::optional<int64_t> units; };
    const Case cases[] = {
        {"146.520000", 14652000}, {"146,52", 14652000}, {" 146.52 ", 14652000}, {"146", 14600000},
        {"146.", 14600000}, {"0.00001", 1}, {"146.520010", 14652001}, {"146.5200000000", 14652000},
        {"146.520005", std::nullopt}, {"999999.99999", 99999999999}, {"1000000", std::nullopt},
        {"", std::nullopt}, {".5", std::nullopt}, {"-146.52", std::nullopt}, {"1e2", std::nullopt},
        {"146.5.2", std::nullopt}, {"١٤٦", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(tryExactDecimal(QString::fromUtf8(c.text), 5, 6), c.units) << c.text;
    EXPECT_EQ(pointDecimalText(14652000, 5, 6), QStringLiteral("146.520000"));
    EXPECT_EQ(pointDecimalText(1, 5, 6), QStringLiteral("0.000010"));
    EXPECT_EQ(pointDecimalText(60000, 5, 5), QStringLiteral("0.60000"));
}

TEST(Numbers, ConversionErrorQuotesTheTextAfterItsPlace) {
    struct Case { std::function<void()> convert; const char16_t *message; };
    const Case cases[] = {
        {[] { strToInt(QStringLiteral("12a")); }, u"«12a» не является целым числом"},
        {[] { strToFloat(QStringLiteral("1,,2")); }, u"«1,,2» не является числом"},
        {[] { strToFloat(QStringLiteral("15.5")); }, u"«15.5» не является числом"},
        {[] { strToInt(QStringLiteral("x"), QStringLiteral("ФВ")); }, u"ФВ: «x» не является целым числом"},
        {[] { strToFloat(QString(), QStringLiteral("Смещение, кГц")); }, u"Смещение, кГц: «» не является числом"},
        {[] { strToInt(QStringLiteral("1\t2")); }, u"«1\\t2» не является целым числом"},
    };
    for (const Case &c : cases) {
        try {
            c.convert();
            ADD_FAILURE() << "no error for " << QString::fromUtf16(c.message).toStdString();
        } catch (const ConversionError &e) {
            EXPECT_EQ(e.message(), QString::fromUtf16(c.message));
        }
    }
}

// Every number form must come out the same on a desktop whose C library writes a decimal comma.
class NumbersUnderLocale : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        QString why;
        if (QLatin1String(GetParam()) != QLatin1String("C")) {
            ASSERT_FALSE(commaLocaleDir(&why).isEmpty()) << why.toStdString();
        }
        locale.emplace(QString::fromLatin1(GetParam()));
        ASSERT_TRUE(locale->ok()) << GetParam();
        if (QLatin1String(GetParam()) != QLatin1String("C")) {
            ASSERT_EQ(ScopedCLocale::decimalPoint(), ",") << "the locale under test must really use a comma";
        }
    }
    void TearDown() override { locale.reset(); }
    std::optional<ScopedCLocale> locale;
};

TEST_P(NumbersUnderLocale, FloatForms) {
    struct Case { const char *text; std::optional<double> value; };
    const Case cases[] = {
        {"140000", 140000}, {"140006,25", 140006.25}, {" 12,5 ", 12.5}, {"-3", -3}, {"3,", 3},
        {",5", 0.5}, {"1E3", 1000}, {"", std::nullopt}, {",", std::nullopt},
        {"1,,2", std::nullopt}, {"140000.5", std::nullopt}, {"12a", std::nullopt},
        {"1E", std::nullopt}, {"150006,25", 150006.25}, {"150000,5", 150000.5}, {"1,5E5", 150000},
        {"-0,125", -0.125}, {"+2,5e-1", 0.25}, {"1E400", std::nullopt}, {"1E-400", 0},
        {"0,0E999", 0}, {"-,5", -0.5},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tryStrToFloat(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST_P(NumbersUnderLocale, ShortestCommaForm) {
    struct Case { double value; const char *text; };
    const Case cases[] = {
        {140000, "140000"}, {140006.25, "140006,25"}, {12.5, "12,5"}, {30, "30"}, {0, "0"},
        {486, "486"}, {-45000, "-45000"}, {0.1, "0,1"}, {40003.125, "40003,125"},
        {59000 + 1000.0 * 3, "62000"}, {1e15, "1E15"}, {0.5, "0,5"}, {1.5e-7, "1,5E-7"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(floatToStr(c.value), QString::fromLatin1(c.text)) << c.value;
}

TEST_P(NumbersUnderLocale, FixedFormWithTwoDecimals) {
    struct Case { double value; const char *text; };
    const Case cases[] = {
        {150006.25, "150006,25"}, {30000, "30000,00"}, {6.25, "  6,25"}, {0, "  0,00"},
        {-45000, "-45000,00"}, {12.5, " 12,50"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fixedToStr(c.value, 2, 6), QString::fromLatin1(c.text)) << c.value;
}

TEST_P(NumbersUnderLocale, TemplateStepAndRaster) {
    // The template reads its step as a float and tests it on the 6,25 kHz raster.
    EXPECT_TRUE(onRaster(strToFloat(QStringLiteral("12,5"))));
    EXPECT_TRUE(onRaster(strToFloat(QStringLiteral("150006,25"))));
    EXPECT_FALSE(onRaster(strToFloat(QStringLiteral("150000,5"))));
}

INSTANTIATE_TEST_SUITE_P(Desktops, NumbersUnderLocale, ::testing::Values("C", "ru_RU.UTF-8", "de_DE.UTF-8"),
                         [](const auto &info) {
                             std::string n = info.param;
                             for (char &ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

TEST(Numbers, RasterOfSixPointTwoFiveKilohertz) {
    struct Case { double kHz; bool ok; };
    const Case cases[] = {
        {140000, true}, {140006.25, true}, {140003, false}, {40003.125, false},
        {40006.25, true}, {6.25, true}, {12.5, true}, {1000, true}, {0, true}, {1, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(onRaster(c.kHz), c.ok) << c.kHz;
    EXPECT_EQ(toTenHertz(0.125), 12);  // 12.5 -> even
    EXPECT_EQ(toTenHertz(0.135), 14);  // 13.5 -> even
}
