// The files of an unattended recorder: period boundaries, names, rotation on one grid with no
// slot lost or doubled, and a restart that goes on in a fresh file on the earlier grid.
#include "logging/LogSeries.h"

#include "core/Clock.h"
#include "core/DayNumber.h"
#include "offline/LogTestData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

double at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return fromCivil({y, mo, d, h, mi, s});
}

LiveSample sample(std::optional<float> t, std::optional<float> h = 50.0f) {
    return {t, h, "SN1", " \u00B0C", " %"};
}

// A day number differs from another by less than a millisecond.
constexpr double kSameTime = 1e-3 / 86400.0;

TEST(LogSeriesNames, PeriodBoundaries) {
    const struct {
        RotationPeriod period;
        double from;
        double expected;
    } cases[] = {
        {RotationPeriod::Daily, at(2026, 12, 7, 12), at(2026, 12, 8)},
        {RotationPeriod::Daily, at(2026, 12, 7), at(2026, 12, 8)}, // a start on it runs a day
        {RotationPeriod::Daily, at(2026, 12, 8) - 1e-9, at(2026, 12, 9)}, // rounding noise
        {RotationPeriod::Daily, at(2026, 12, 31, 23, 59, 59), at(2027, 1, 1)},
        {RotationPeriod::Weekly, at(2026, 12, 7), at(2026, 12, 14)}, // a Monday
        {RotationPeriod::Weekly, at(2026, 12, 9, 8), at(2026, 12, 14)},
        {RotationPeriod::Weekly, at(2026, 12, 13, 23, 59), at(2026, 12, 14)}, // a Sunday
        {RotationPeriod::Weekly, at(2026, 12, 31), at(2027, 1, 4)},
        {RotationPeriod::Monthly, at(2026, 12, 15), at(2027, 1, 1)},
        {RotationPeriod::Monthly, at(2026, 12, 1), at(2027, 1, 1)},
        {RotationPeriod::Monthly, at(2027, 2, 28, 23), at(2027, 3, 1)},
        {RotationPeriod::Monthly, at(2028, 2, 29, 23), at(2028, 3, 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.period) << " " << c.from);
        EXPECT_NEAR(nextPeriodStart(c.period, c.from), c.expected, kSameTime);
    }
    EXPECT_EQ(rotationPeriodNamed("weekly"), RotationPeriod::Weekly);
    EXPECT_EQ(rotationPeriodNamed("Daily"), std::nullopt);
    EXPECT_EQ(rotationPeriodNamed("hourly"), std::nullopt);
}

TEST(LogSeriesNames, FileNamesOfOneRecorder) {
    const std::filesystem::path base = "/srv/log/hall.dat";
    const double day = at(2026, 12, 7, 23, 59, 59);
    EXPECT_EQ(seriesFileName(base, std::nullopt, 1), "/srv/log/hall.dat");
    EXPECT_EQ(seriesFileName(base, std::nullopt, 2), "/srv/log/hall-2.dat");
    EXPECT_EQ(seriesFileName(base, day, 1), "/srv/log/hall-2026-12-07.dat");
    EXPECT_EQ(seriesFileName(base, day, 3), "/srv/log/hall-2026-12-07-3.dat");
    EXPECT_EQ(seriesFileName("hall", day, 1), "hall-2026-12-07");

    const struct {
        const char* name;
        bool belongs;
    } names[] = {
        {"hall.dat", true},
        {"hall-2.dat", true},
        {"hall-2026-12-07.dat", true},
        {"hall-2026-12-07-12.dat", true},
        {"hallway.dat", false},
        {"hall-x.dat", false},
        {"hall.csv", false},
        {"hall-2026-12-07.dat.bak", false},
        {"hall-2026-12.dat", false},
        {"other-2026-12-07.dat", false},
    };
    for (const auto& n : names) {
        EXPECT_EQ(isSeriesFileName(base, n.name), n.belongs) << n.name;
    }
}

struct SeriesFixture : ::testing::Test {
    test::TempDir dir;
    ManualClock clock;
    StringTable texts = test::textsIn("en");
    std::filesystem::path base = dir.file("hall.dat");

    std::string name(const std::string& file) const { return dir.file(file).string(); }

    // Ticks every 0.5 s until `until`, with temperatures counting up per tick so each record
    // can be told apart.
    void runUntil(LogSeries& series, double until, float& value) {
        while (clock.now() < until) {
            clock.advanceSeconds(0.5);
            series.onTimer(sample(value));
            value += 1.0f;
        }
    }
};

// Rotation at each kind of boundary: the old file ends with the last slot before the boundary,
// the new one starts on the first slot from it, named by its date, and both lie on one grid.
TEST_F(SeriesFixture, RotationKeepsOneGridAcrossTheBoundary) {
    const struct {
        RotationPeriod period;
        double start;
        float interval;
        int recordsBefore;
        const char* firstName;
        const char* secondName;
        double secondStart;
    } cases[] = {
        {RotationPeriod::Daily, at(2026, 12, 7, 23, 59, 23), 10.0f, 4, "d-2026-12-07.dat",
         "d-2026-12-08.dat", at(2026, 12, 8, 0, 0, 3)},
        {RotationPeriod::Weekly, at(2026, 12, 13, 23, 58), 60.0f, 2, "w-2026-12-13.dat",
         "w-2026-12-14.dat", at(2026, 12, 14)},
        {RotationPeriod::Monthly, at(2026, 12, 31, 23, 59, 50), 7.0f, 2, "m-2026-12-31.dat",
         "m-2027-01-01.dat", at(2027, 1, 1, 0, 0, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firstName);
        const std::string prefix(1, c.firstName[0]);
        clock.set(c.start);
        LogSeries series(clock, texts, dir.file(prefix + ".dat"), c.interval, c.period);
        float value = 1.0f;
        const LogSeries::Tick first = series.onTimer(sample(value));
        EXPECT_EQ(first.startedFile, name(c.firstName));

        std::optional<LogSeries::Tick> rotation;
        std::int64_t taken = first.recordsTaken;
        const double end = c.secondStart + 3.5 * c.interval / kSecondsPerDay;
        while (clock.now() < end) {
            clock.advanceSeconds(0.5);
            const LogSeries::Tick t = series.onTimer(sample(value += 1.0f));
            taken += t.recordsTaken;
            if (t.closedFile) {
                EXPECT_FALSE(rotation) << "rotated twice";
                rotation = t;
            }
        }
        series.stop();
        ASSERT_TRUE(rotation);
        EXPECT_EQ(rotation->closedFile, name(c.firstName));
        EXPECT_EQ(rotation->closedRecords, c.recordsBefore);
        EXPECT_EQ(rotation->startedFile, name(c.secondName));

        const LogData before = test::loadOrFail(name(c.firstName));
        const LogData after = test::loadOrFail(name(c.secondName));
        EXPECT_EQ(before.size(), c.recordsBefore);
        EXPECT_EQ(after.size(), 4);
        EXPECT_EQ(before.size() + after.size(), taken);
        EXPECT_NEAR(before.header().startTime, c.start, kSameTime);
        EXPECT_NEAR(after.header().startTime, c.secondStart, kSameTime);
        EXPECT_EQ(after.header().interval, c.interval);
        // every slot has a value, and they keep rising across the files: none lost, none twice
        float last = 0.0f;
        for (const LogData* log : {&before, &after}) {
            for (std::int64_t k = 0; k < log->size(); ++k) {
                const float v = log->value(Channel::Temperature, k);
                EXPECT_GT(v, last) << k;
                last = v;
            }
        }
    }
}

// The computer slept across midnight: the slots before it close the old file as empty records,
// the new file starts at the first slot after midnight, empty up to the slot due on waking.
TEST_F(SeriesFixture, SleepAcrossTheBoundaryFillsBothFilesWithEmptySlots) {
    clock.set(at(2026, 12, 7, 23, 59, 0));
    LogSeries series(clock, texts, base, 10.0f, RotationPeriod::Daily);
    float value = 1.0f;
    series.onTimer(sample(value));
    runUntil(series, at(2026, 12, 7, 23, 59, 30), value); // :00 :10 :20 :30
    clock.set(at(2026, 12, 8, 0, 1, 5));
    const LogSeries::Tick wake = series.onTimer(sample(99.0f));
    series.stop();
    EXPECT_EQ(wake.closedRecords, 6);
    EXPECT_EQ(wake.recordsTaken, 7); // 00:00:00 .. 00:01:00

    const LogData before = test::loadOrFail(name("hall-2026-12-07.dat"));
    const LogData after = test::loadOrFail(name("hall-2026-12-08.dat"));
    ASSERT_EQ(before.size(), 6);
    ASSERT_EQ(after.size(), 7);
    EXPECT_NEAR(after.header().startTime, at(2026, 12, 8), kSameTime);
    for (std::int64_t k = 0; k < 6; ++k) {
        EXPECT_EQ(std::isnan(before.value(Channel::Temperature, k)), k >= 4) << k;
    }
    for (std::int64_t k = 0; k < 6; ++k) {
        EXPECT_TRUE(std::isnan(after.value(Channel::Temperature, k))) << k;
    }
    EXPECT_EQ(after.value(Channel::Temperature, 6), 99.0f);
}

// A restart goes on in a fresh file of the same name family, on the grid of the file before,
// which stays as it was.
TEST_F(SeriesFixture, ARestartContinuesTheEarlierGridInAFreshFile) {
    const double start = at(2026, 12, 7, 10, 0, 3);
    clock.set(start);
    {
        LogSeries first(clock, texts, base, 10.0f, RotationPeriod::Daily);
        float value = 1.0f;
        first.onTimer(sample(value));
        runUntil(first, start + 25.0 / kSecondsPerDay, value);
        first.stop();
    }
    const std::string firstFile = name("hall-2026-12-07.dat");
    const std::string firstBytes = test::readFile(firstFile);

    clock.set(start + 3603.3 / kSecondsPerDay); // an hour later, between two slots
    const std::optional<double> grid = previousSeriesGrid(base, 10.0f);
    ASSERT_TRUE(grid);
    EXPECT_NEAR(*grid, start, kSameTime);
    LogSeries second(clock, texts, base, 10.0f, RotationPeriod::Daily);
    second.continueGrid(*grid);
    EXPECT_FALSE(second.onTimer(sample(5.0f)).startedFile); // waits for the slot at +3610 s
    clock.advanceSeconds(6.5);
    EXPECT_FALSE(second.onTimer(sample(5.0f)).startedFile);
    clock.advanceSeconds(0.5);
    const LogSeries::Tick t = second.onTimer(sample(6.0f));
    second.stop();
    EXPECT_EQ(t.startedFile, name("hall-2026-12-07-2.dat"));
    const LogData resumed = test::loadOrFail(name("hall-2026-12-07-2.dat"));
    EXPECT_NEAR(resumed.header().startTime, start + 3610.0 / kSecondsPerDay, kSameTime);
    EXPECT_EQ(resumed.value(Channel::Temperature, 0), 6.0f);
    EXPECT_EQ(test::readFile(firstFile), firstBytes);
}

TEST_F(SeriesFixture, TheGridOfTheNewestFileCountsOnlyWithTheSameInterval) {
    const auto record = [&](const std::filesystem::path& path, double start, float interval) {
        clock.set(start);
        LogSeries s(clock, texts, path, interval, RotationPeriod::None);
        s.onTimer(sample(1.0f));
        s.stop();
    };
    EXPECT_EQ(previousSeriesGrid(base, 10.0f), std::nullopt);
    record(base, at(2026, 12, 1, 8), 10.0f);
    test::writeFile(dir.file("hall-2026-12-09.dat"), "short");  // no header: not a log
    record(dir.file("hallway.dat"), at(2026, 12, 9, 8), 10.0f); // another recorder
    EXPECT_NEAR(previousSeriesGrid(base, 10.0f).value_or(0.0), at(2026, 12, 1, 8), kSameTime);
    EXPECT_EQ(previousSeriesGrid(base, 30.0f), std::nullopt);
    // without rotation the next file takes the next free number, never the old name
    record(base, at(2026, 12, 3, 8), 30.0f);
    EXPECT_TRUE(std::filesystem::exists(name("hall-2.dat")));
    EXPECT_NEAR(test::loadOrFail(base.string()).header().startTime, at(2026, 12, 1, 8), kSameTime);
    EXPECT_EQ(previousSeriesGrid(base, 10.0f), std::nullopt);
    EXPECT_NEAR(previousSeriesGrid(base, 30.0f).value_or(0.0), at(2026, 12, 3, 8), kSameTime);
}

} // namespace
} // namespace orv
