#include "common/errors.h"
#include "common/numbers.h"

#include <gtest/gtest.h>

using namespace tolvin;

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

TEST(Numbers, ConversionErrorNamesTheText) {
    try {
        strToInt(QStringLiteral("12a"));
        FAIL();
    } catch (const ConversionError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'12a' is not a valid integer value"));
    }
    try {
        strToFloat(QStringLiteral("1,,2"));
        FAIL();
    } catch (const ConversionError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'1,,2' is not a valid floating point value"));
    }
}

TEST(Numbers, FloatForms) {
    struct Case { const char *text; std::optional<double> value; };
    const Case cases[] = {
        {"140000", 140000}, {"140006,25", 140006.25}, {" 12,5 ", 12.5}, {"-3", -3}, {"3,", 3},
        {",5", 0.5}, {"1E3", 1000}, {"", std::nullopt}, {",", std::nullopt},
        {"1,,2", std::nullopt}, {"140000.5", std::nullopt}, {"12a", std::nullopt},
        {"1E", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tryStrToFloat(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(Numbers, ShortestCommaForm) {
    struct Case { double value; const char *text; };
    const Case cases[] = {
        {140000, "140000"}, {140006.25, "140006,25"}, {12.5, "12,5"}, {30, "30"}, {0, "0"},
        {486, "486"}, {-45000, "-45000"}, {0.1, "0,1"}, {40003.125, "40003,125"},
        {59000 + 1000.0 * 3, "62000"}, {1e15, "1E15"}, {0.5, "0,5"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(floatToStr(c.value), QString::fromLatin1(c.text)) << c.value;
}

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
