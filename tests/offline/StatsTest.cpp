#include "LogTestData.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

struct Reference {
    float min = std::numeric_limits<float>::quiet_NaN();
    float max = std::numeric_limits<float>::quiet_NaN();
    long double sum = 0;
    long double absSum = 0;
    std::int64_t count = 0;
};

Reference bruteForce(std::span<const float> v, std::int64_t first, std::int64_t last) {
    Reference r;
    for (std::int64_t k = first; k <= last; ++k) {
        const float x = v[static_cast<std::size_t>(k)];
        if (std::isnan(x)) {
            continue;
        }
        r.min = r.count == 0 || x < r.min ? x : r.min;
        r.max = r.count == 0 || x > r.max ? x : r.max;
        r.sum += x;
        r.absSum += std::fabs(static_cast<long double>(x));
        ++r.count;
    }
    return r;
}

void expectMatches(const RangeStats& s, const Reference& ref, const std::string& where) {
    ASSERT_EQ(s.count, ref.count) << where;
    if (ref.count == 0) {
        EXPECT_TRUE(std::isnan(s.min) && std::isnan(s.max) && std::isnan(s.average())) << where;
        return;
    }
    EXPECT_EQ(s.min, ref.min) << where;
    EXPECT_EQ(s.max, ref.max) << where;
    // relative to the sum of magnitudes: for one-signed data that is the relative error itself
    EXPECT_LE(std::fabs(static_cast<long double>(s.sum) - ref.sum), 1e-12L * ref.absSum) << where;
    EXPECT_NEAR(s.average(), static_cast<double>(ref.sum / ref.count),
                1e-12 * static_cast<double>(ref.absSum / ref.count))
        << where;
}

TEST(Stats, MatchBruteForceOnRandomRanges) {
    for (const std::int64_t n : {1, 15, 16, 17, 255, 256, 257, 4097, 70001, 1 << 20}) {
        const LogData log = test::wavyLog(n, static_cast<unsigned>(n));
        std::mt19937_64 rng(n);
        std::uniform_int_distribution<std::int64_t> pick(0, n - 1);
        const int ranges = n > 100000 ? 40 : 300;
        for (int i = 0; i < ranges; ++i) {
            std::int64_t a = pick(rng);
            std::int64_t b = i % 4 == 0 ? std::min(n - 1, a + pick(rng) % 600) : pick(rng);
            if (a > b) {
                std::swap(a, b);
            }
            for (const Channel c : {Channel::Temperature, Channel::Channel2}) {
                expectMatches(log.stats(c, a, b), bruteForce(log.channel(c), a, b),
                              std::to_string(n) + ": " + std::to_string(a) + ".." +
                                  std::to_string(b));
            }
        }
        expectMatches(log.stats(Channel::Temperature, 0, n - 1),
                      bruteForce(log.channel(Channel::Temperature), 0, n - 1), "whole file");
    }
}

TEST(Stats, BothMarkersCountAndOrderDoesNotMatter) {
    LogHeader h;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const LogData log(h, {10, 11, nan, 13, 14, 99}, {1, 2, 3, 4, 5, 6});
    const RangeStats s = log.stats(Channel::Temperature, 4, 0);
    EXPECT_EQ(s.count, 4); // records 0..4, the NaN skipped
    EXPECT_EQ(s.min, 10.0f);
    EXPECT_EQ(s.max, 14.0f);
    EXPECT_DOUBLE_EQ(s.average(), 12.0);
    // one record: both markers on it
    EXPECT_EQ(log.stats(Channel::Channel2, 5, 5).average(), 6.0);
    // only a gap
    EXPECT_EQ(log.stats(Channel::Temperature, 2, 2).count, 0);
    // indices beyond the file are clamped to it
    EXPECT_EQ(log.stats(Channel::Channel2, -7, 1000).count, 6);
    EXPECT_EQ(LogData().stats(Channel::Channel2, 0, 10).count, 0);
}

} // namespace
} // namespace orv
