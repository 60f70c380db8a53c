#include "core/NumberReading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace orv {
namespace {

TEST(ParseSingleTest, ReadsTheLeadingNumberLocaleFree) {
    // clang-format off
    const std::pair<const char*, float> cases[] = {
        {"+023.45", 23.45F}, {"45.6;", 45.6F}, {"23,4", 23.4F}, {"-5.5", -5.5F}, {" 1", 0.0F},
        {"A03", 0.0F}, {"", 0.0F}, {"+", 0.0F}, {".", 0.0F}, {".5", 0.5F}, {"7.", 7.0F},
        {"1.2.3", 1.2F}, {"1,2.3", 1.2F}, {"--5", 0.0F}, {"+-5", 0.0F}, {"1-2", 1.0F},
        {"045.67;%", 45.67F}, {"12B8\r", 12.0F}, {"1e5", 1.0F}, {"0x10", 0.0F},
        {"99999999999", 1e11F}, {"000000000000000000000000000000000000000001.5", 1.5F},
    };
    // clang-format on
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ParseSingle(text), expected) << '"' << text << '"';
    }
}

TEST(ParseSingleTest, NarrowsThroughDoubleAndRefusesOutOfRange) {
    // 1 + 2^-24 + 2^-60 rounds up to float correctly, but rounds to exactly 1 + 2^-24 as a double
    // first, which then ties to even: the value is narrowed the way it always was.
    EXPECT_EQ(ParseSingle("1.0000000596046447753906250000000000008673617379884035"), 1.0F);
    EXPECT_EQ(ParseSingle(std::string(40, '9')), 0.0F);
    EXPECT_TRUE(std::signbit(ParseSingle("-0")));
}

TEST(ParseLongTest, ReadsTheFirstSignedDigitRun) {
    // clang-format off
    const std::pair<const char*, std::int32_t> cases[] = {
        {"Com12", 12}, {"auto", 0}, {"COM3", 3}, {"-7x", -7}, {"ab+4", 4}, {"x-", 0}, {"+-3", 0},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"2147483648", 0},
        {"99999999999999999999", 0}, {"port 1 of 2", 1}, {"", 0},
    };
    // clang-format on
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ParseLong(text), expected) << '"' << text << '"';
    }
}

} // namespace
} // namespace orv
