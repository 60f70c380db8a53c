#include "LogTestData.h"

#include <gtest/gtest.h>

#include <string>

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
}

} // namespace
} // namespace orv
