#include "offline/DataWindow.h"

#include "core/DayNumber.h"
#include "LogTestData.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace orv {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

LogData makeLog(std::vector<float> temp, std::vector<float> ch2) {
    LogHeader header;
    header.recordCount = static_cast<std::int32_t>(temp.size());
    header.startTime = fromCivil({2004, 12, 31, 8, 0, 0});
    header.interval = 60;
    return LogData(header, temp, ch2);
}

TEST(DataWindow, StatisticsCoverBothMarkersAndSkipGaps) {
    // Records 1..5 with a gap at 3 and the extremes on the marker records themselves.
    const LogData log =
        makeLog({0, 10, 20, kNaN, 21, 30.5F, 0}, {50, 40.04F, 50, 50, 50, kNaN, 50});
    const MarkerStatistics s = markerStatistics(log, RecordSpan{1, 5});
    EXPECT_EQ(s.temperature.count, 4);
    const StatisticsReadout text = statisticsReadout(s, GermanFormat());
    EXPECT_EQ(text.tempMax, "30,5");
    EXPECT_EQ(text.tempMin, "10");
    EXPECT_EQ(text.tempAverage, "20,4"); // 81.5 / 4 = 20.375
    EXPECT_EQ(text.ch2Max, "50");
    EXPECT_EQ(text.ch2Min, "40");
    EXPECT_EQ(text.ch2Average, "47,5"); // (40.04 + 3 * 50) / 4 = 47.51

    // Both markers on record 0: a real range of one record.
    EXPECT_EQ(statisticsReadout(markerStatistics(log, {0, 0}), EnglishFormat()).tempAverage, "0");
    // Only gaps: nothing to show.
    const StatisticsReadout gap = statisticsReadout(markerStatistics(log, {3, 3}), EnglishFormat());
    EXPECT_EQ(gap.tempMax, "NaN");
    EXPECT_EQ(gap.tempAverage, "NaN");
}

TEST(DataWindow, RecordReadoutRoundsToTwoDecimals) {
    const LogData log = makeLog({21.125F, -0.001F}, {45.555F, kNaN});
    const RecordReadout r0 = recordReadout(log, 0, log.recordTime(0), GermanFormat());
    EXPECT_EQ(r0.temperature, "21,12");
    EXPECT_EQ(r0.channel2, "45,56"); // 45.555F lies above the tie
    EXPECT_EQ(r0.time, "31.12.2004 08:00:00");
    const RecordReadout r1 = recordReadout(log, 1, log.recordTime(1), EnglishFormat());
    EXPECT_EQ(r1.temperature, "0");
    EXPECT_EQ(r1.channel2, "NaN");
    EXPECT_EQ(r1.time, "12/31/2004 8:01:00 AM");
    EXPECT_EQ(recordReadout(log, 2, 0, GermanFormat()).temperature, "");
}

TEST(DataWindow, AutoScaleSkipsGapsOfTheVisibleRecords) {
    const LogData log = makeLog({kNaN, 20, 25, 99}, {kNaN, 40, 60, kNaN});
    EXPECT_EQ(autoScaleOf(log, ViewRange{0, 3}).yBottom, 15.0F);
    EXPECT_EQ(autoScaleOf(log, ViewRange{0, 3}).yTop, 65.0F);
    EXPECT_EQ(autoScaleOf(log, ViewRange{0, 4}).yTop, 104.0F);
    EXPECT_EQ(autoScaleOf(log, ViewRange{0, 1}).yTop, 5.0F);
}

} // namespace
} // namespace orv
