// The fast number texts against the general formatters they replace, kept here as they were:
// every byte must agree.
#include "offline/FixedDecimal.h"

#include "core/DayNumber.h"
#include "logging/SyntheticLog.h"
#include "LogTestData.h"
#include "offline/NumberText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace orv {
namespace {

// The export value as it was formatted before the fast path.
std::string referenceExportValue(float value, std::string_view decimalSeparator) {
    const double widened = value;
    if (!std::isfinite(widened)) {
        return std::isnan(widened) ? "NaN" : widened < 0 ? "-Inf" : "Inf";
    }
    const double hundredths = std::nearbyint(widened * 100);
    if (std::fabs(hundredths) >= 1e15) {
        return shortestText(hundredths / 100, std::string(decimalSeparator));
    }
    auto n = static_cast<std::int64_t>(hundredths);
    std::string out;
    if (n < 0) {
        out += '-';
        n = -n;
    }
    out += std::to_string(n / 100);
    const int frac = static_cast<int>(n % 100);
    if (frac != 0) {
        out += decimalSeparator;
        out += static_cast<char>('0' + frac / 10);
        if (frac % 10 != 0) {
            out += static_cast<char>('0' + frac % 10);
        }
    }
    return out;
}

// The CSV value as it was formatted before the fast path (finite values).
std::string referenceCsvValue(float v, char decimal) {
    char buf[64];
    char* end = std::to_chars(buf, buf + 64, v, std::chars_format::fixed).ptr;
    std::replace(buf, end, '.', decimal);
    return {buf, end};
}

std::string exportValue(float v, std::string_view separator) {
    char buf[64];
    return {buf, fixed::exportValue(buf, v, separator)};
}

std::string csvValue(float v, char decimal) {
    char buf[64];
    return {buf, fixed::shortestFixed(buf, v, decimal)};
}

// Both texts of `v` with "." and "," (and a two-byte separator for the export) against the
// references; stops the caller's loop at the first difference.
::testing::AssertionResult sameTexts(float v) {
    for (const std::string_view sep : {".", ",", "\xD9\xAB"}) {
        const std::string fast = exportValue(v, sep);
        const std::string ref = referenceExportValue(v, sep);
        if (fast != ref) {
            return ::testing::AssertionFailure()
                   << "export of " << v << ": " << fast << " instead of " << ref;
        }
    }
    if (std::isfinite(v)) {
        for (const char decimal : {'.', ','}) {
            const std::string fast = csvValue(v, decimal);
            const std::string ref = referenceCsvValue(v, decimal);
            if (fast != ref) {
                return ::testing::AssertionFailure()
                       << "csv of " << v << ": " << fast << " instead of " << ref;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(FixedDecimal, EveryHundredthAndItsNeighboursAsBefore) {
    for (int k = -100'000; k <= 1'000'000; ++k) {
        const float v = static_cast<float>(k) / 100.0F;
        for (const float x : {v, std::nextafter(v, -INFINITY), std::nextafter(v, INFINITY)}) {
            ASSERT_TRUE(sameTexts(x)) << k;
        }
    }
}

TEST(FixedDecimal, OddValuesAsBefore) {
    constexpr float kMax = std::numeric_limits<float>::max();
    constexpr float kTiny = std::numeric_limits<float>::denorm_min();
    const float values[] = {
        0.0F,
        -0.0F,
        NAN,
        -NAN,
        INFINITY,
        -INFINITY,
        kMax,
        -kMax,
        kTiny,
        -kTiny,
        std::numeric_limits<float>::min(),
        1e30F,
        -1e30F,
        1e-30F,
        -1e-30F,
        0.005F,
        -0.005F,
        0.015F,
        0.025F,
        -0.004F,
        0.0049999F, // ties and what rounds to zero
        1e-3F,
        21.125F,
        0.1F,
        1.0F / 3.0F, // more than two decimals
        131071.99F,
        131072.0F,
        -131072.0F,
        131072.02F,
        131717.09375F,
        262143.98F, // fast range end
        65536.0F,
        65535.99F,
        0.5F,
        0.25F,
        1024.0F, // powers of two
        9.99999e12F,
        1e13F,
        1.0000001e13F,
        -9.999999e12F, // around 10^15 hundredths
        4294967296.0F,
        1e19F,
        3.0e38F,
    };
    for (const float v : values) {
        EXPECT_TRUE(sameTexts(v));
    }
}

TEST(FixedDecimal, FloatsAcrossEveryMagnitudeAsBefore) {
    // A stride through all positive floats from the smallest subnormal to the infinities, both
    // signs: every exponent, with mantissas spread over each binade.
    for (std::uint32_t bits = 1; bits < 0x7F800000U; bits += 3989) {
        const float v = std::bit_cast<float>(bits);
        ASSERT_TRUE(sameTexts(v)) << bits;
        ASSERT_TRUE(sameTexts(-v)) << bits;
    }
}

TEST(FixedDecimal, EveryValueOfASyntheticLogAsBefore) {
    test::TempDir dir;
    for (const char unit : {'C', 'F', 'K'}) {
        SyntheticLogOptions o;
        o.records = unit == 'C' ? 2'000'000 : 300'000;
        o.interval = 5;
        o.tempUnit = unit;
        o.dewPoint = unit != 'C'; // dew points are computed, with every digit of the float
        o.gaps = true;
        o.seed = 11;
        const auto path = dir.file(std::string("synth-") + unit + ".dat");
        ASSERT_EQ(writeSyntheticLog(path, o), std::nullopt);
        const LogData log = test::loadOrFail(path);
        ASSERT_EQ(log.size(), o.records);
        std::size_t gaps = 0;
        for (const Channel c : {Channel::Temperature, Channel::Channel2}) {
            for (const float v : test::valuesOf(log, c)) {
                gaps += std::isnan(v) ? 1 : 0;
                ASSERT_TRUE(sameTexts(v)) << unit;
            }
        }
        EXPECT_GT(gaps, 0U) << unit;
    }
}

TEST(FixedDecimal, IntegerTextsAsToChars) {
    std::vector<std::uint64_t> values{0, std::numeric_limits<std::uint64_t>::max()};
    for (std::uint64_t p = 1; p <= 10'000'000'000'000'000'000ULL; p *= 10) {
        values.insert(values.end(), {p - 1, p, p + 1, 2 * p + 7});
        if (p > std::numeric_limits<std::uint64_t>::max() / 10) {
            break;
        }
    }
    for (const std::uint64_t v : values) {
        char buf[24];
        EXPECT_EQ(std::string(buf, fixed::writeUnsigned(buf, v)), std::to_string(v));
    }
}

TEST(FixedDecimal, CounterCarriesLikeToString) {
    for (const std::uint64_t start : {0ULL, 7ULL, 95ULL, 998ULL, 99'990ULL, 999'999'990ULL}) {
        fixed::DecimalCounter counter(start);
        for (std::uint64_t v = start; v < start + 2000; ++v, counter.next()) {
            char buf[24];
            ASSERT_EQ(std::string(buf, counter.write(buf)), std::to_string(v));
        }
    }
}

TEST(FixedDecimal, HalvesAwayLikeLlround) {
    const double values[] = {0.5,
                             -0.5,
                             1.5,
                             2.5,
                             -2.5,
                             0.49999999999999994,
                             -0.49999999999999994,
                             1e15 + 0.5,
                             4503599627370495.5,
                             -4503599627370495.5,
                             3.7e9 - 0.5,
                             3455000000.4999995,
                             0.0,
                             -0.0,
                             7.0};
    for (const double x : values) {
        EXPECT_EQ(fixed::roundHalfAway(x), std::llround(x)) << x;
    }
    for (double x = -1e6; x < 1e6; x += 0.1234567) {
        ASSERT_EQ(fixed::roundHalfAway(x), std::llround(x)) << x;
    }
}

// Whole files through the writers: the fast paths inside the line loops, the running record
// number and the two-buffer output make the same bytes as the general formatters line by line.
class WholeFileAsBefore : public ::testing::Test {
protected:
    void SetUp() override {
        SyntheticLogOptions o;
        o.records = 250'000; // several buffers of text
        o.interval = 10;
        o.gaps = true;
        o.seed = 3;
        ASSERT_EQ(writeSyntheticLog(dir.file("w.dat"), o), std::nullopt);
        log = test::loadOrFail(dir.file("w.dat"));
    }

    test::TempDir dir;
    LogData log;
};

TEST_F(WholeFileAsBefore, Export) {
    const auto temp = test::valuesOf(log, Channel::Temperature);
    const auto ch2 = test::valuesOf(log, Channel::Channel2);
    const StringTable texts = test::textsIn("de");
    const GermanFormat locale;
    ExportSource source;
    source.recordCount = log.size();
    const std::string text = test::exportText(source, 0, temp, ch2, texts, locale);
    std::string lines;
    for (std::size_t i = 0; i < temp.size(); ++i) {
        lines += std::to_string(i) + ' ' + referenceExportValue(temp[i], ",") + ' ' +
                 referenceExportValue(ch2[i], ",") + "\r\n";
    }
    ASSERT_GE(text.size(), lines.size());
    EXPECT_TRUE(text.ends_with(lines)); // no line lost, changed or out of order
    EXPECT_EQ(text.size() - lines.size(),
              exportHeader(source, 0, log.size(), texts, locale).size());
}

TEST_F(WholeFileAsBefore, Csv) {
    const std::string text = test::csvText(log, 0, log.size(), germanCsvOptions());
    const auto temp = test::valuesOf(log, Channel::Temperature);
    const auto ch2 = test::valuesOf(log, Channel::Channel2);
    std::string rows;
    for (std::size_t i = 0; i < temp.size(); ++i) {
        const CivilTime t = toCivil(log.recordTime(static_cast<std::int64_t>(i)));
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
        rows += stamp;
        for (const float v : {temp[i], ch2[i]}) {
            rows += ';';
            rows += std::isnan(v) ? "" : referenceCsvValue(v, ',');
        }
        rows += "\r\n";
    }
    ASSERT_GE(text.size(), rows.size());
    EXPECT_TRUE(text.ends_with(rows));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), log.size() + 1);
}

} // namespace
} // namespace orv
