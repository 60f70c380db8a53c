#include "LogTestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

namespace orv {
namespace {

bool sameFloat(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

TEST(Reduction, MatchesBruteForceOnRandomViews) {
    const std::int64_t n = 300'007;
    const LogData log = test::wavyLog(n, 7);
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<std::int64_t> pick(0, n - 1);
    for (int i = 0; i < 60; ++i) {
        const std::int64_t first = i == 0 ? 0 : pick(rng);
        std::int64_t count = i == 0 ? n : 1 + pick(rng) % (n - first);
        if (i % 5 == 1) {
            count = std::min<std::int64_t>(count, 1 + i); // zoomed in: fewer records than columns
        }
        const std::int64_t columns = i % 3 == 0 ? 1920 : 1 + pick(rng) % 2500;
        for (const Channel c : {Channel::Temperature, Channel::Channel2}) {
            std::vector<ColumnSpan> got(static_cast<std::size_t>(columns));
            log.reduce(c, first, count, got);
            for (std::int64_t col = 0; col < columns; ++col) {
                ColumnSpan w; // every record of the column visited once
                for (std::int64_t k = columnStart(first, count, columns, col);
                     k < columnStart(first, count, columns, col + 1); ++k) {
                    const float x = log.value(c, k);
                    if (w.empty()) {
                        w.firstIndex = k;
                        w.first = x;
                    }
                    w.lastIndex = k;
                    w.last = x;
                    if (!std::isnan(x)) {
                        w.min = std::isnan(w.min) || x < w.min ? x : w.min;
                        w.max = std::isnan(w.max) || x > w.max ? x : w.max;
                    }
                }
                const ColumnSpan& g = got[static_cast<std::size_t>(col)];
                const std::string where = "view " + std::to_string(first) + "+" +
                                          std::to_string(count) + " column " + std::to_string(col);
                ASSERT_EQ(g.empty(), w.empty()) << where;
                if (!w.empty()) {
                    ASSERT_EQ(g.firstIndex, w.firstIndex) << where;
                    ASSERT_EQ(g.lastIndex, w.lastIndex) << where;
                    ASSERT_TRUE(sameFloat(g.first, w.first) && sameFloat(g.last, w.last)) << where;
                    ASSERT_TRUE(sameFloat(g.min, w.min) && sameFloat(g.max, w.max)) << where;
                }
            }
            // the last visible record is always drawn, in the last column
            EXPECT_EQ(got.back().lastIndex, first + count - 1);
        }
    }
}

TEST(Reduction, EachRecordIsInTheColumnItsPositionFallsInto) {
    // first record, record count, columns
    const std::int64_t cases[][3] = {{0, 2, 1920},
                                     {0, 601, 600},
                                     {3, 10, 3},
                                     {77, 255 * 40, 40},
                                     {77, 256 * 40, 40},
                                     {0, 63'000'000, 1920},
                                     {12345, 9'999'999, 1920}};
    for (const auto& [first, count, columns] : cases) {
        EXPECT_EQ(columnStart(first, count, columns, 0), first);
        EXPECT_EQ(columnStart(first, count, columns, columns), first + count);
        for (std::int64_t col = 1; col < columns; ++col) {
            const std::int64_t start = columnStart(first, count, columns, col);
            // record k is at (k - first) / (count - 1) of the width, column col starts at
            // col / columns: the start is the first record at or right of that edge
            const auto at = [&](std::int64_t k) {
                return static_cast<long double>(k - first) * columns;
            };
            const long double edge = static_cast<long double>(col) * (count - 1);
            ASSERT_GE(at(start), edge) << first << "+" << count << " column " << col;
            ASSERT_LT(at(start - 1), edge) << first << "+" << count << " column " << col;
        }
    }
    // a single record fills the first column only
    EXPECT_EQ(columnStart(5, 1, 5, 1), 6);
}

// Every range checked against a plain scan of its records; odd ranges are asked for with the
// markers swapped, the first one is the whole file.
TEST(Stats, MatchBruteForceOnRandomRanges) {
    for (const std::int64_t n : {1, 15, 16, 17, 255, 256, 257, 4097, 70001, 1 << 20}) {
        const LogData log = test::wavyLog(n, static_cast<unsigned>(n));
        std::mt19937_64 rng(n);
        std::uniform_int_distribution<std::int64_t> pick(0, n - 1);
        for (int i = 0; i < (n > 100000 ? 40 : 300); ++i) {
            std::int64_t a = i == 0 ? 0 : pick(rng);
            std::int64_t b = i == 0 ? n - 1 : pick(rng);
            if (i % 4 == 2) {
                b = std::min(n - 1, a + pick(rng) % 600);
            }
            if (a > b) {
                std::swap(a, b);
            }
            for (const Channel c : {Channel::Temperature, Channel::Channel2}) {
                const RangeStats s = i % 2 == 1 ? log.stats(c, b, a) : log.stats(c, a, b);
                float min = std::numeric_limits<float>::infinity();
                float max = -min;
                long double sum = 0;
                long double absSum = 0;
                std::int64_t count = 0;
                for (const float x : test::valuesOf(log, c, a, b - a + 1)) {
                    if (!std::isnan(x)) {
                        min = std::min(min, x);
                        max = std::max(max, x);
                        sum += x;
                        absSum += std::fabs(x);
                        ++count;
                    }
                }
                const std::string where =
                    std::to_string(n) + ": " + std::to_string(a) + ".." + std::to_string(b);
                ASSERT_EQ(s.count, count) << where;
                if (count == 0) {
                    EXPECT_TRUE(std::isnan(s.min) && std::isnan(s.max) && std::isnan(s.average()))
                        << where;
                    continue;
                }
                EXPECT_EQ(s.min, min) << where;
                EXPECT_EQ(s.max, max) << where;
                // relative to the magnitudes: for one-signed data that is the relative error
                EXPECT_NEAR(s.average(), static_cast<double>(sum / count),
                            1e-12 * static_cast<double>(absSum / count))
                    << where;
            }
        }
    }
}

TEST(Stats, IndicesBeyondTheFileAreClampedToIt) {
    const LogData log(LogHeader{}, {10, 11, 12}, {1, 2, std::nanf("")});
    EXPECT_EQ(log.stats(Channel::Channel2, -7, 1000).count, 2);
    EXPECT_EQ(LogData().stats(Channel::Channel2, 0, 10).count, 0);
}

} // namespace
} // namespace orv
