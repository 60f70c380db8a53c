#include "LogTestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace orv {
namespace {

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
                for (const float x : log.channel(c).subspan(a, b - a + 1)) {
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
