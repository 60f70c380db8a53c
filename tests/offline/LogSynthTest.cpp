#include "logging/SyntheticLog.h"

#include "LogTestData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

namespace orv {
namespace {

TEST(LogSynth, SameOptionsGiveTheSameBytes) {
    test::TempDir dir;
    SyntheticLogOptions o;
    o.records = 200'000; // several generator blocks
    o.gaps = true;
    ASSERT_FALSE(writeSyntheticLog(dir.file("a.dat"), o));
    ASSERT_FALSE(writeSyntheticLog(dir.file("b.dat"), o));
    o.seed = 2;
    ASSERT_FALSE(writeSyntheticLog(dir.file("c.dat"), o));
    const std::string a = test::readFile(dir.file("a.dat"));
    EXPECT_EQ(a.size(), 47u + 8u * 200'000u);
    EXPECT_EQ(a, test::readFile(dir.file("b.dat")));
    EXPECT_NE(a, test::readFile(dir.file("c.dat")));
}

TEST(LogSynth, UnitsChannelAndGapsFollowTheOptions) {
    const std::tuple<char, bool, bool, float, float> cases[] = {
        {'C', false, false, -5.0f, 45.0f},
        {'F', true, true, 23.0f, 113.0f},
        {'K', false, true, 268.0f, 318.0f},
    };
    for (const auto& [unit, dewPoint, gaps, low, high] : cases) {
        test::TempDir dir;
        SyntheticLogOptions o;
        o.records = 100'000;
        o.interval = 30.0f;
        o.startTime = 45352.25;
        o.tempUnit = unit;
        o.dewPoint = dewPoint;
        o.gaps = gaps;
        o.serial = "LONGSERIAL";
        ASSERT_FALSE(writeSyntheticLog(dir.file("s.dat"), o));
        const LogData log = test::loadOrFail(dir.file("s.dat"));
        ASSERT_EQ(log.size(), 100'000);
        const LogHeader& h = log.header();
        EXPECT_EQ(h.tempUnitCode, unit);
        EXPECT_EQ(h.ch2UnitCode, dewPoint ? unit : '%');
        EXPECT_EQ(h.text, "LONGSERI");
        EXPECT_EQ(h.startTime, 45352.25);
        EXPECT_EQ(h.interval, 30.0f);

        const RangeStats t = log.stats(Channel::Temperature, 0, log.size() - 1);
        const RangeStats ch2 = log.stats(Channel::Channel2, 0, log.size() - 1);
        EXPECT_GE(t.min, low);
        EXPECT_LE(t.max, high);
        EXPECT_GT(t.max - t.min, 5.0f); // a daily swing, not a flat line
        if (!dewPoint) {
            EXPECT_GE(ch2.min, 3.0f);
            EXPECT_LE(ch2.max, 99.5f);
        }
        EXPECT_EQ(t.count < log.size(), gaps);
        EXPECT_EQ(ch2.count, t.count);
        for (std::int64_t k = 0; dewPoint && k < log.size(); k += 97) {
            const float tk = log.value(Channel::Temperature, k);
            if (!std::isnan(tk)) {
                ASSERT_LE(log.value(Channel::Channel2, k), tk + 0.01f) << k;
            }
        }
    }
}

TEST(LogSynth, RefusesUnusableOptionsAndLeavesNoFile) {
    test::TempDir dir;
    const std::function<void(SyntheticLogOptions&)> changes[] = {
        [](SyntheticLogOptions& o) { o.records = -1; },
        [](SyntheticLogOptions& o) { o.records = 1LL << 31; },
        [](SyntheticLogOptions& o) { o.interval = 0.0f; },
        [](SyntheticLogOptions& o) { o.tempUnit = 'X'; },
    };
    for (const auto& change : changes) {
        SyntheticLogOptions o;
        o.records = 10;
        change(o);
        EXPECT_TRUE(writeSyntheticLog(dir.file("x.dat"), o).has_value());
        EXPECT_FALSE(std::filesystem::exists(dir.file("x.dat")));
    }
    SyntheticLogOptions o;
    o.records = 10;
    EXPECT_TRUE(writeSyntheticLog(dir.file("missing/x.dat"), o).has_value());
}

} // namespace
} // namespace orv
