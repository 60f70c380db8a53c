#include "offline/ViewMapping.h"

#include "core/DayNumber.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

const DiagramGeometry kGeometry(9000, 5000); // plot area 500..8000 wide
const TimeGrid kGrid{fromCivil({2004, 12, 31, 8, 0, 0}), 60.0F};

TEST(ViewMapping, RecordToXAndBackIsIdentity) {
    const ViewRange views[] = {{0, 2}, {0, 601}, {100, 1001}, {5, 7501}, {12345, 63000000}};
    for (const auto& view : views) {
        for (const std::int64_t m : {view.start, view.start + view.count / 3, view.last()}) {
            const double x = xOfRecord(static_cast<double>(m), kGeometry, view);
            EXPECT_EQ(recordAtX(x, kGeometry, view), m) << view.start << "+" << view.count;
        }
        EXPECT_DOUBLE_EQ(xOfRecord(static_cast<double>(view.start), kGeometry, view), 500);
        EXPECT_NEAR(xOfRecord(static_cast<double>(view.last()), kGeometry, view), 8000, 1e-6);
    }
}

TEST(ViewMapping, TimeToXAndBackIsIdentity) {
    const ViewRange view{100, 1001};
    for (const double x : {500.0, 1234.5, 4250.0, 8000.0}) {
        const double t = timeAtX(x, kGeometry, view, kGrid);
        EXPECT_NEAR(xAtTime(t, kGeometry, view, kGrid), x, 1e-3);
    }
    EXPECT_DOUBLE_EQ(timeAtX(500, kGeometry, view, kGrid), kGrid.timeOfRecord(100));
}

TEST(ViewMapping, PointerTakesNearestRecordButContinuousTime) {
    // Three records: 3750 twips apart.
    const ViewRange view{10, 3};
    const struct {
        double x;
        std::int64_t record;
        double recordsIn; // exact position of the time
    } cases[] = {
        {500, 10, 0},
        {500 + 1875, 10, 0.5}, // a half goes to the even record
        {500 + 1876, 11, 1876.0 / 3750},
        {500 + 5625, 12, 1.5},
        {8000, 12, 2},
    };
    for (const auto& c : cases) {
        const auto readout = pointerAt(c.x, kGeometry, view, kGrid);
        ASSERT_TRUE(readout) << c.x;
        EXPECT_EQ(readout->record, c.record) << c.x;
        EXPECT_NEAR(readout->time, kGrid.timeOfRecord(10 + c.recordsIn), 1e-9) << c.x;
    }
    EXPECT_FALSE(pointerAt(499.9, kGeometry, view, kGrid));
    EXPECT_FALSE(pointerAt(8000.1, kGeometry, view, kGrid));
    EXPECT_FALSE(pointerAt(4000, kGeometry, ViewRange{0, 1}, kGrid));
}

TEST(ViewMapping, StatusNamesFramesAndFirstAndLastTime) {
    const ViewStatus full = viewStatus(ViewRange{0, 601}, false, kGrid, GermanFormat());
    EXPECT_EQ(full.frames, "Frames: 601");
    EXPECT_EQ(full.from, "31.12.2004 08:00:00");
    EXPECT_EQ(full.to, "31.12.2004 18:00:00");
    const ViewStatus zoomed = viewStatus(ViewRange{100, 50}, true, kGrid, EnglishFormat());
    EXPECT_EQ(zoomed.frames, "Frames (Zoom): 50");
    EXPECT_EQ(zoomed.from, "12/31/2004 9:40:00 AM");
    EXPECT_EQ(zoomed.to, "12/31/2004 10:29:00 AM");
}

} // namespace
} // namespace orv
