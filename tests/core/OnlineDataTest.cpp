#include "core/OnlineData.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace orv {
namespace {

Sample sampleNo(int n) {
    return {n / 1000.0, static_cast<float>(n), static_cast<float>(-n)};
}

TEST(OnlineDataTest, ShiftKeepsTheLast250SamplesInOrderAndTheNewestInPlace) {
    OnlineData data;
    data.labels() = {"SIM00001", " °C", " %"};
    for (int n = 1; n <= 1000; ++n) {
        data.shift();
        data.newest() = sampleNo(n);
    }
    data.shift(); // the newest row keeps its sample until it is overwritten
    for (int r = 1; r <= 249; ++r) {
        EXPECT_EQ(data.row(r), sampleNo(751 + r)) << "row " << r;
    }
    EXPECT_EQ(data.row(250), sampleNo(1000));
    EXPECT_EQ(data.labels().serial, "SIM00001");
}

TEST(OnlineDataTest, ClearEmptiesSamplesOnlyAndRowsAreChecked) {
    OnlineData data;
    data.shift();
    data.newest() = sampleNo(5);
    data.labels().tempUnit = " K";
    data.clearSamples();
    for (int r = 1; r <= 250; ++r) {
        EXPECT_EQ(data.row(r), Sample{});
    }
    EXPECT_EQ(data.labels().tempUnit, " K");
    EXPECT_THROW((void)data.row(0), std::out_of_range);
    EXPECT_THROW((void)data.row(251), std::out_of_range);
}

} // namespace
} // namespace orv
