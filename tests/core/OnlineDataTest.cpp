#include "core/OnlineData.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace orv {
namespace {

Sample sampleNo(int n) {
    return {n / 1000.0, static_cast<float>(n), static_cast<float>(-n)};
}

TEST(OnlineDataTest, ShiftMovesEveryRowUpAndKeepsTheNewest) {
    OnlineData data;
    for (int r = 1; r <= 250; ++r) {
        data.row(r) = sampleNo(r);
    }
    data.labels() = {"SIM00001", " °C", " %"};
    data.shift();
    EXPECT_EQ(data.row(1), sampleNo(2));
    EXPECT_EQ(data.row(249), sampleNo(250));
    EXPECT_EQ(data.row(250), sampleNo(250));
    EXPECT_EQ(data.labels().serial, "SIM00001");
}

TEST(OnlineDataTest, HistoryHoldsTheLast250SamplesAcrossManyShifts) {
    OnlineData data;
    for (int n = 1; n <= 1000; ++n) {
        data.shift();
        data.newest() = sampleNo(n);
    }
    for (int r = 1; r <= 250; ++r) {
        EXPECT_EQ(data.row(r), sampleNo(750 + r)) << "row " << r;
    }
}

TEST(OnlineDataTest, RowsStartEmptyAndClearKeepsLabels) {
    OnlineData data;
    EXPECT_FALSE(data.row(1).timeOfDay.has_value());
    EXPECT_FALSE(data.newest().temperature.has_value());
    data.shift();
    data.newest() = sampleNo(5);
    data.labels().tempUnit = " K";
    data.clearSamples();
    for (int r = 1; r <= 250; ++r) {
        EXPECT_EQ(data.row(r), Sample{});
    }
    EXPECT_EQ(data.labels().tempUnit, " K");
}

TEST(OnlineDataTest, OnlySampleRowsAreAddressable) {
    OnlineData data;
    EXPECT_THROW((void)data.row(0), std::out_of_range);
    EXPECT_THROW((void)data.row(251), std::out_of_range);
}

} // namespace
} // namespace orv
