#include "LogTestData.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

bool sameFloat(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

// Every record of each column visited once.
std::vector<ColumnSpan> bruteForce(std::span<const float> v, std::int64_t first, std::int64_t count,
                                   std::int64_t columns) {
    std::vector<ColumnSpan> out(static_cast<std::size_t>(columns));
    for (std::int64_t c = 0; c < columns; ++c) {
        ColumnSpan& s = out[static_cast<std::size_t>(c)];
        for (std::int64_t i = columnStart(first, count, columns, c);
             i < columnStart(first, count, columns, c + 1); ++i) {
            const float x = v[static_cast<std::size_t>(i)];
            if (s.empty()) {
                s.firstIndex = i;
                s.first = x;
            }
            s.lastIndex = i;
            s.last = x;
            if (!std::isnan(x)) {
                s.min = std::isnan(s.min) || x < s.min ? x : s.min;
                s.max = std::isnan(s.max) || x > s.max ? x : s.max;
            }
        }
    }
    return out;
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
            const auto want = bruteForce(log.channel(c), first, count, columns);
            for (std::size_t col = 0; col < got.size(); ++col) {
                const ColumnSpan& g = got[col];
                const ColumnSpan& w = want[col];
                const std::string where = "view " + std::to_string(first) + "+" +
                                          std::to_string(count) + " column " + std::to_string(col);
                ASSERT_EQ(g.empty(), w.empty()) << where;
                if (w.empty()) {
                    continue;
                }
                ASSERT_EQ(g.firstIndex, w.firstIndex) << where;
                ASSERT_EQ(g.lastIndex, w.lastIndex) << where;
                ASSERT_TRUE(sameFloat(g.first, w.first) && sameFloat(g.last, w.last)) << where;
                ASSERT_TRUE(sameFloat(g.min, w.min) && sameFloat(g.max, w.max)) << where;
            }
            // the last visible record is always drawn, in the last column
            EXPECT_EQ(got.back().lastIndex, first + count - 1);
        }
    }
}

TEST(Reduction, ColumnsFollowTheRecordPositionsToASixteenthOfAColumn) {
    struct Case {
        std::int64_t first;
        std::int64_t count;
        std::int64_t columns;
    };
    const Case cases[] = {{0, 2, 1920},
                          {0, 601, 600},
                          {3, 10, 3},
                          {77, 255 * 40, 40},
                          {77, 256 * 40, 40},
                          {0, 63'000'000, 1920},
                          {12345, 9'999'999, 1920}};
    for (const Case& c : cases) {
        const long double perColumn = static_cast<long double>(c.count - 1) / c.columns;
        EXPECT_EQ(columnStart(c.first, c.count, c.columns, 0), c.first);
        EXPECT_EQ(columnStart(c.first, c.count, c.columns, c.columns), c.first + c.count);
        std::int64_t previous = c.first;
        for (std::int64_t col = 1; col < c.columns; ++col) {
            // the first record at or right of the column's left edge, exactly
            const auto exact = c.first + static_cast<std::int64_t>(std::ceil(col * perColumn));
            const std::int64_t start = columnStart(c.first, c.count, c.columns, col);
            ASSERT_LE(start, exact);
            ASSERT_LE(static_cast<long double>(exact - start), std::max(0.0L, perColumn / 16));
            ASSERT_GE(start, previous);
            if (c.count >= c.columns) {
                ASSERT_GT(start, previous);
            }
            previous = start;
        }
    }
    // a single record fills the first column only
    EXPECT_EQ(columnStart(5, 1, 5, 1), 6);
    // two records: one at the left edge, one at the right edge
    EXPECT_EQ(columnStart(0, 2, 1920, 1), 1);
    EXPECT_EQ(columnStart(0, 2, 1920, 1919), 1);
    // a record exactly on a column boundary starts that column: 601 records over 600 columns
    EXPECT_EQ(columnStart(0, 601, 600, 300), 300);
}

TEST(Reduction, GapsShowAsNaNEndsOrEmptyExtremes) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const LogData log(LogHeader{}, {1, 2, nan, nan, nan, nan, 7, 8}, std::vector<float>(8, 0.0f));
    std::vector<ColumnSpan> cols(4);
    log.reduce(Channel::Temperature, 0, 8, cols);
    // columns hold records 0-1, 2-3, 4-5, 6-7
    EXPECT_EQ(cols[0].last, 2.0f);
    EXPECT_TRUE(std::isnan(cols[1].first) && std::isnan(cols[1].min) && std::isnan(cols[1].max));
    EXPECT_TRUE(std::isnan(cols[2].last));
    EXPECT_EQ(cols[3].first, 7.0f);
    EXPECT_EQ(cols[3].max, 8.0f);
}

} // namespace
} // namespace orv
