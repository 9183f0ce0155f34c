// The reader of the numbers the front ends and the console send.
#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "protocol/number_text.h"

namespace qorat {
namespace {

TEST(NumberText, DecimalTextAsFarAsItGoes) {
    struct Case {
        const char* text;
        std::optional<double> read;
    };
    const Case cases[] = {
        {"12", 12},
        {"  \t12", 12},
        {"+12", 12},
        {"-12", -12},
        {"12abc", 12},
        {"1.5", 1.5},
        {"1.", 1},
        {".5", 0.5},
        {"-.5", -0.5},
        {"2e3", 2000},
        {"2E-1", 0.2},
        {"2e", 2},
        {"2e+", 2},
        {"1:30", 1},
        {"0x10", 0},
        {"", std::nullopt},
        {" ", std::nullopt},
        {".", std::nullopt},
        {"-", std::nullopt},
        {"+.", std::nullopt},
        {"x1", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"e5", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(readNumber(c.text, -1e9, 1e9), c.read) << c.text;
}

TEST(NumberText, KeptWithinBounds) {
    struct Case {
        const char* text;
        double low, high, read;
    };
    const Case cases[] = {
        {"1e400", 0, 100, 100},
        {"-1e400", 0, 100, 0},
        {"99999999999999999999", 1, 1024, 1024},
        {"-5", 1, 1024, 1},
        {"50", 0, 5000, 50},
    };
    for (const Case& c : cases) EXPECT_EQ(readNumber(c.text, c.low, c.high), c.read) << c.text;
}

TEST(NumberText, WholeNumbersDropTheFraction) {
    struct Case {
        const char* text;
        std::optional<long long> read;
    };
    const Case cases[] = {
        {"7.9", 7},
        {"-7.9", -7},
        {"-0.5", 0},
        {"1e3", 1000},
        {"99999999999999999999", MostWholeNumber},
        {"-99999999999999999999", -MostWholeNumber},
        {"x", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(readWholeNumber(c.text), c.read) << c.text;
    // Bounds wider than the reader's own are narrowed to them, so that every result fits.
    EXPECT_EQ(readWholeNumber("1e300", 0, LLONG_MAX), MostWholeNumber);
    EXPECT_EQ(readWholeNumber("12", 20, 30), 20);
}

}  // namespace
}  // namespace qorat
