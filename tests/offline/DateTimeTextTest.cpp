#include "offline/DateTimeText.h"
#include "core/DayNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>

namespace orv {
namespace {

constexpr double kSecond = 1.0 / 86400;
const double k0800 = fromCivil({2024, 1, 1, 8, 0, 0});

TEST(DateTimeText, RoundsToTheNearestSecondOrMillisecond) {
    const struct {
        double day;
        char separator;
        bool millis;
        const char* text;
    } cases[] = {
        {k0800, ' ', false, "2024-01-01 08:00:00"},
        {k0800, 'T', false, "2024-01-01T08:00:00"},
        {k0800 + 0.6 * kSecond, ' ', false, "2024-01-01 08:00:01"},
        {k0800 + 0.4 * kSecond, 'T', false, "2024-01-01T08:00:00"},
        {k0800 - 0.4 * kSecond, ' ', false, "2024-01-01 08:00:00"},
        {k0800 + 0.6 * kSecond, 'T', true, "2024-01-01T08:00:00.600"},
        {k0800 + 0.9996 * kSecond, ' ', true, "2024-01-01 08:00:01.000"},
        // rounding up across midnight, the year and the end of February of a leap year
        {fromCivil({2023, 12, 31, 23, 59, 59}) + 0.6 * kSecond, ' ', false, "2024-01-01 00:00:00"},
        {fromCivil({2024, 2, 28, 23, 59, 59}) + 0.7 * kSecond, ' ', false, "2024-02-29 00:00:00"},
        // before the day-number epoch the fraction still counts forward from midnight
        {fromCivil({1899, 12, 29, 18, 0, 0}), 'T', false, "1899-12-29T18:00:00"},
        {fromCivil({100, 1, 1, 0, 0, 0}), ' ', false, "0100-01-01 00:00:00"},
        {fromCivil({9999, 12, 31, 23, 59, 59}), ' ', true, "9999-12-31 23:59:59.000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dateTimeText(c.day, c.separator, c.millis), c.text) << c.text;
        if (!c.millis) {
            // the same second as the general date text of the diagram and the export
            const CivilTime t = toCivil(c.day);
            char expected[32];
            std::snprintf(expected, sizeof expected, "%04d-%02d-%02d%c%02d:%02d:%02d", t.year,
                          t.month, t.day, c.separator, t.hour, t.minute, t.second);
            EXPECT_EQ(dateTimeText(c.day, c.separator), expected);
        }
    }
}

TEST(DateTimeText, WriterFollowsRecordsAcrossDaysInBothDirections) {
    // One writer keeps the date text of the last day it wrote; it must notice every change.
    DateTimeWriter writer(' ', false);
    const std::pair<double, const char*> steps[] = {
        {k0800, "2024-01-01 08:00:00"},
        {k0800 + 0.75, "2024-01-02 02:00:00"},
        {k0800 - 3.0, "2023-12-29 08:00:00"},
        {k0800 + 0.75, "2024-01-02 02:00:00"},
        {std::nan(""), ""},
        {k0800, "2024-01-01 08:00:00"},
        // the first and last usable days: a time just outside rounds into them but stays empty
        {fromCivil({100, 1, 1, 12, 0, 0}), "0100-01-01 12:00:00"},
        {fromCivil({100, 1, 1, 0, 0, 0}) - 0.4 * kSecond, ""},
        {fromCivil({100, 1, 1, 0, 0, 0}), "0100-01-01 00:00:00"},
        {fromCivil({9999, 12, 31, 12, 0, 0}), "9999-12-31 12:00:00"},
        {fromCivil({9999, 12, 31, 23, 59, 59}) + 0.4 * kSecond, ""},
        {fromCivil({9999, 12, 31, 23, 59, 59}), "9999-12-31 23:59:59"},
        {fromCivil({9999, 12, 30, 23, 59, 59}) + 0.6 * kSecond, "9999-12-31 00:00:00"},
    };
    for (const auto& [day, text] : steps) {
        char buf[DateTimeWriter::kMaxChars];
        EXPECT_EQ(std::string(buf, writer.write(buf, day)), text);
    }
}

TEST(DateTimeText, WriterCarryingItsMinuteWritesWhatAFreshWriterWrites) {
    // A fresh writer computes everything; a running one reuses the date and minute it wrote last.
    const double starts[] = {fromCivil({2023, 12, 31, 23, 58, 0}) + 0.3 * kSecond,
                             fromCivil({1899, 12, 29, 23, 59, 0})};
    for (const double start : starts) {
        for (const double step : {0.25, 1.0, 7.0, 59.5, 3599.0}) {
            for (const bool millis : {false, true}) {
                DateTimeWriter running('T', millis);
                for (int k = 0; k < 3000; ++k) {
                    const double day = start + k * step * kSecond;
                    char buf[DateTimeWriter::kMaxChars];
                    ASSERT_EQ(std::string(buf, running.write(buf, day)),
                              dateTimeText(day, 'T', millis))
                        << step << " " << k;
                }
            }
        }
    }
}

TEST(DateTimeText, DayNumbersNoDateTextCanShowGiveNothing) {
    for (const double d :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), 1.0e11, -1.0e11,
          fromCivil({99, 12, 31, 23, 59, 59}), fromCivil({10000, 1, 1, 0, 0, 0})}) {
        EXPECT_EQ(dateTimeText(d, 'T'), "") << d;
        EXPECT_EQ(dateTimeText(d, ' ', true), "") << d;
    }
}

} // namespace
} // namespace orv
