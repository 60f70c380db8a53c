#include "core/LocaleFormat.h"
#include "core/DayNumber.h"
#include "core/FrameChecksum.h"
#include "support/CLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orv {
namespace {

TEST(DayNumber, KnownDatesAndRoundTrips) {
    struct Case {
        CivilTime civil;
        double day;
    };
    const Case cases[] = {
        {{1899, 12, 30, 0, 0, 0}, 0.0},
        {{1900, 1, 1, 0, 0, 0}, 2.0},
        {{2000, 1, 1, 0, 0, 0}, 36526.0},
        {{2000, 2, 29, 12, 0, 0}, 36585.5},
        {{2004, 12, 31, 18, 0, 0}, 38352.75},
        {{1899, 12, 29, 6, 0, 0}, -0.75}, // before the epoch the fraction still counts forward
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(fromCivil(c.civil), c.day) << c.civil.year << "-" << c.civil.month;
        const CivilTime back = toCivil(c.day);
        EXPECT_EQ(back.year, c.civil.year);
        EXPECT_EQ(back.month, c.civil.month);
        EXPECT_EQ(back.day, c.civil.day);
        EXPECT_EQ(back.hour, c.civil.hour);
    }
}

TEST(DayNumber, RoundsToTheNearestSecondAcrossMidnight) {
    // 23:59:59.6 rounds up into the next day rather than showing 23:59:60.
    const double day = fromCivil({2004, 12, 31, 23, 59, 59}) + 0.6 / 86400.0;
    const CivilTime t = toCivil(day);
    EXPECT_EQ(t.year, 2005);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.second, 0);
}

// The same texts whatever the C library's locale: QApplication switches it to the desktop's, and
// a German LC_NUMERIC once turned 22.0 into "2.2,0".
TEST(LocaleFormat, FixedDecimalsWithSeparatorsAndGroupingUnderEveryCLocale) {
    const GermanFormat de;
    const EnglishFormat en;
    struct Case {
        double value;
        int decimals;
        const char* german;
        const char* english;
    };
    const Case cases[] = {
        {21.0, 1, "21,0", "21.0"},
        {22.0, 1, "22,0", "22.0"},
        {45.3, 1, "45,3", "45.3"},
        {295.5, 1, "295,5", "295.5"},
        {10.1495, 1, "10,1", "10.1"},
        {-3.25, 1, "-3,2", "-3.2"},        // binary value of -3.25 is exact: ties go to even
        {295.45f, 1, "295,5", "295.5"},    // the float32 value lies above the tie
        {1031.0, 1, "1.031,0", "1,031.0"}, // 555 degrees Celsius in Fahrenheit
        {1234.56, 1, "1.234,6", "1,234.6"},
        {-1234567.0, 0, "-1.234.567", "-1,234,567"},
        {999999.96, 1, "1.000.000,0", "1,000,000.0"}, // rounding adds a digit and a group
        {0.04, 1, "0,0", "0.0"},
        {0.125, 3, "0,125", "0.125"},
        {std::numeric_limits<double>::quiet_NaN(), 1, "NaN", "NaN"},
        {-std::numeric_limits<double>::infinity(), 1, "-Inf", "-Inf"},
    };
    for (const char* cLocale : {"C", test::kDesktopLocales[0], test::kDesktopLocales[1]}) {
        const test::ScopedCLocale scoped(cLocale);
        ASSERT_TRUE(scoped.ok());
        for (const auto& c : cases) {
            EXPECT_EQ(formatFixed(de, c.value, c.decimals), c.german) << c.value << " " << cLocale;
            EXPECT_EQ(formatFixed(en, c.value, c.decimals), c.english) << c.value << " " << cLocale;
        }
        EXPECT_EQ(formatFixed(en, 1e300, 1).size(), 301u + 100u + 2u) << "every digit, grouped";
    }
}

TEST(LocaleFormat, GeneralDateShapes) {
    const GermanFormat de;
    const EnglishFormat en;
    struct Case {
        CivilTime t;
        const char* german;
        const char* english;
    };
    const Case cases[] = {
        {{2004, 12, 31, 9, 5, 0}, "31.12.2004 09:05:00", "12/31/2004 9:05:00 AM"},
        {{2004, 12, 31, 22, 5, 0}, "31.12.2004 22:05:00", "12/31/2004 10:05:00 PM"},
        {{2005, 1, 2, 0, 0, 7}, "02.01.2005 00:00:07", "1/2/2005 12:00:07 AM"},
        {{2005, 1, 2, 12, 30, 0}, "02.01.2005 12:30:00", "1/2/2005 12:30:00 PM"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(de.generalDate(fromCivil(c.t)), c.german);
        EXPECT_EQ(en.generalDate(fromCivil(c.t)), c.english);
    }
}

TEST(FrameChecksum, ShortFramesSumFromTheTLongFramesFromTheAtAndRefusedLengthsAreNotBuilt) {
    // "@T;+23.4;H;45.6;" : characters 2..16 sum to 839, 255 - 839 % 256 = 0xB8.
    EXPECT_EQ(buildFrame("@T;+23.4;H;45.6;"), "@T;+23.4;H;45.6;B8\r");
    const std::string longBody = "@T;+023.45;F;045.67;;;;;;;;SIM00001;"; // a 39-character frame
    EXPECT_EQ(frameChecksumForBody(longBody), checksumOf(longBody));

    EXPECT_FALSE(buildFrame(std::string(19, 'x')).has_value()); // 22 characters
    EXPECT_FALSE(buildFrame(std::string(38, 'x')).has_value()); // 41 characters
    EXPECT_TRUE(buildFrame(std::string(37, 'x')).has_value());  // 40 characters
    EXPECT_EQ(buildFrame("@T;1;", "\r\n")->substr(7), "\r\n");
}

} // namespace
} // namespace orv
