#include "offline/DiagramInteraction.h"

#include "core/DayNumber.h"
#include "offline/ViewMapping.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace orv {
namespace {

using Effect = DiagramInteraction::Effect;

// 11 records on a plot area 7500 wide: 750 twips per record. Values 65 at the top edge, a span
// of 50 on 4100 twips: 82 twips per unit.
const DiagramGeometry kGeometry(9000, 5000);
const TimeGrid kGrid{fromCivil({2004, 12, 31, 8, 0, 0}), 60.0F};
constexpr ViewRange kFull{0, 11};
const ValueScale kScale{65.0F, 15.0F};

double xOf(double record) {
    return 500 + 750 * record;
}
double yOf(double value) {
    return 300 + (65 - value) * 82;
}

DiagramInteraction fresh() {
    DiagramInteraction d(kFull);
    d.setAutoScale(kScale);
    return d;
}

Effect click(DiagramInteraction& d, MouseButton button, double x, double y = 400) {
    return d.mouseDown(button, x, y, kGeometry, kGrid);
}

TEST(DiagramInteraction, MarkerPlacementRules) {
    const auto L = MouseButton::Left;
    const auto R = MouseButton::Right;
    const struct {
        const char* what;
        std::vector<std::pair<MouseButton, double>> clicks;
        Effect lastEffect;
        std::optional<std::int64_t> left;
        std::optional<std::int64_t> right;
    } cases[] = {
        {"left of the area takes the first record", {{L, 100}}, Effect::LeftMarker, 0, {}},
        {"right of the area takes the last record", {{R, 9000}}, Effect::RightMarker, {}, 10},
        {"left click right of the area", {{L, 8000.5}}, Effect::None, {}, {}},
        {"right click left of the area", {{R, 499}}, Effect::None, {}, {}},
        {"left may not pass right", {{R, xOf(5)}, {L, xOf(7)}}, Effect::None, {}, 5},
        {"left on the right marker", {{R, xOf(5)}, {L, xOf(5)}}, Effect::LeftMarker, 5, 5},
        {"right may not pass left", {{L, xOf(5)}, {R, xOf(4)}}, Effect::None, 5, {}},
        {"right on record 0 is a marker", {{L, xOf(0)}, {R, xOf(0)}}, Effect::RightMarker, 0, 0},
        {"right on 0 holds the left back", {{R, xOf(0)}, {L, xOf(3)}}, Effect::None, {}, 0},
        {"other buttons do nothing", {{MouseButton::Other, xOf(3)}}, Effect::None, {}, {}},
    };
    for (const auto& [what, clicks, lastEffect, left, right] : cases) {
        DiagramInteraction d = fresh();
        Effect effect = Effect::None;
        for (const auto& [button, x] : clicks) {
            effect = click(d, button, x);
        }
        EXPECT_EQ(effect, lastEffect) << what;
        const auto& m = d.markers();
        EXPECT_EQ(m.left() ? std::optional(m.left()->record) : std::nullopt, left) << what;
        EXPECT_EQ(m.right() ? std::optional(m.right()->record) : std::nullopt, right) << what;
    }
}

TEST(DiagramInteraction, StatisticsSpanIsInclusiveWhicheverMarkerCameLast) {
    for (const bool leftFirst : {true, false}) {
        DiagramInteraction d = fresh();
        click(d, leftFirst ? MouseButton::Left : MouseButton::Right, leftFirst ? xOf(2) : xOf(6));
        EXPECT_FALSE(d.markers().statisticsSpan());
        click(d, leftFirst ? MouseButton::Right : MouseButton::Left, leftFirst ? xOf(6) : xOf(2));
        ASSERT_TRUE(d.markers().statisticsSpan());
        EXPECT_EQ(d.markers().statisticsSpan()->first, 2);
        EXPECT_EQ(d.markers().statisticsSpan()->last, 6);
    }
}

TEST(DiagramInteraction, MarkerTimeIsTheTimeUnderTheClick) {
    DiagramInteraction d = fresh();
    click(d, MouseButton::Left, xOf(0.5));
    ASSERT_TRUE(d.markers().left());
    EXPECT_EQ(d.markers().left()->record, 0);
    EXPECT_DOUBLE_EQ(d.markers().left()->time, kGrid.timeOfRecord(0.5));
    // A click left of the area is moved onto its edge, time included.
    click(d, MouseButton::Left, 0);
    EXPECT_DOUBLE_EQ(d.markers().left()->time, kGrid.timeOfRecord(0));
}

ZoomedView dragZoom(DiagramInteraction& d, PointTw from, PointTw to) {
    d.setZoomMode(true);
    EXPECT_EQ(click(d, MouseButton::Left, from.x, from.y), Effect::ZoomStarted);
    EXPECT_EQ(click(d, MouseButton::Left, to.x, to.y), Effect::ZoomApplied);
    EXPECT_FALSE(d.zoomMode());
    EXPECT_TRUE(d.zoomActive());
    return {d.view(), d.scale()};
}

TEST(DiagramInteraction, ZoomRectangleGivesTheSameViewInEveryDirection) {
    const PointTw a{xOf(2), yOf(60)};
    const PointTw b{xOf(6), yOf(50)};
    const PointTw c{xOf(2), yOf(50)};
    const PointTw d{xOf(6), yOf(60)};
    const std::pair<PointTw, PointTw> drags[] = {{a, b}, {b, a}, {c, d}, {d, c}};
    for (const auto& [from, to] : drags) {
        DiagramInteraction di = fresh();
        const ZoomedView z = dragZoom(di, from, to);
        EXPECT_EQ(z.view.start, 2);
        EXPECT_EQ(z.view.count, 5); // records 2..6, the one under the right edge included
        EXPECT_FLOAT_EQ(z.scale.yTop, 60);
        EXPECT_FLOAT_EQ(z.scale.yBottom, 50);
    }
}

TEST(DiagramInteraction, ZoomCornersAreClampedAndZoomsNest) {
    DiagramInteraction d = fresh();
    const ZoomedView whole = dragZoom(d, {0, 0}, {99999, 99999});
    EXPECT_EQ(whole.view.start, 0);
    EXPECT_EQ(whole.view.count, 11);
    EXPECT_FLOAT_EQ(whole.scale.yTop, 65);
    EXPECT_FLOAT_EQ(whole.scale.yBottom, 15);

    dragZoom(d, {xOf(2), yOf(60)}, {xOf(6), yOf(50)});
    // Now 4 record steps on 7500 twips: 1875 per record; a span of 10 on 4100: 410 per unit.
    const ZoomedView inner = dragZoom(d, {500 + 1875, 300 + 410}, {500 + 3750, 300 + 820});
    EXPECT_EQ(inner.view.start, 3);
    EXPECT_EQ(inner.view.count, 2);
    EXPECT_FLOAT_EQ(inner.scale.yTop, 59);
    EXPECT_FLOAT_EQ(inner.scale.yBottom, 58);
    // The value range of a zoomed view stays until the zoom is left.
    d.setAutoScale(ValueScale{100, 0});
    EXPECT_FLOAT_EQ(d.scale().yTop, 59);
}

TEST(DiagramInteraction, NarrowRectangleLeavesTooFewRecordsUntilZoomIsLeft) {
    DiagramInteraction d = fresh();
    const ZoomedView z = dragZoom(d, {xOf(3), yOf(60)}, {xOf(3.2), yOf(50)});
    EXPECT_EQ(z.view.count, 1);
    EXPECT_FALSE(z.view.drawable());
    d.setZoomMode(true);
    EXPECT_EQ(click(d, MouseButton::Left, xOf(3)), Effect::ZoomModeOff);
    EXPECT_FALSE(d.zoomMode());
    EXPECT_EQ(click(d, MouseButton::Right, xOf(3)), Effect::ZoomModeOff);

    d.quitZoom(kFull);
    EXPECT_FALSE(d.zoomActive());
    EXPECT_EQ(d.view().count, 11);
    d.setAutoScale(kScale);
    EXPECT_FLOAT_EQ(d.scale().yTop, 65);
}

TEST(DiagramInteraction, ZoomModeClearsMarkersAndDropsAnUnfinishedRectangle) {
    DiagramInteraction d = fresh();
    click(d, MouseButton::Left, xOf(1));
    click(d, MouseButton::Right, xOf(4));
    d.setZoomMode(true);
    EXPECT_FALSE(d.markers().left());
    EXPECT_FALSE(d.markers().right());
    EXPECT_EQ(click(d, MouseButton::Right, xOf(1)), Effect::None);
    click(d, MouseButton::Left, xOf(1), yOf(60));
    ASSERT_TRUE(d.zoomDrag().dragging());
    // The rubber band runs from the first corner to the pointer, clamped into the area.
    const RectTw band = d.zoomDrag().rubberBand(99999, 0, kGeometry);
    EXPECT_DOUBLE_EQ(band.from.x, xOf(1));
    EXPECT_DOUBLE_EQ(band.from.y, yOf(60));
    EXPECT_DOUBLE_EQ(band.to.x, 8000);
    EXPECT_DOUBLE_EQ(band.to.y, 300);
    d.setZoomMode(false);
    EXPECT_FALSE(d.zoomDrag().dragging());
    EXPECT_FALSE(d.zoomActive());
    EXPECT_EQ(click(d, MouseButton::Left, xOf(3)), Effect::LeftMarker);
}

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
    // x, the nearest record, and the exact position of the time in records from the view start
    const std::tuple<double, std::int64_t, double> cases[] = {
        {500, 10, 0},
        {500 + 1875, 10, 0.5}, // a half goes to the even record
        {500 + 1876, 11, 1876.0 / 3750},
        {500 + 5625, 12, 1.5},
        {8000, 12, 2},
    };
    for (const auto& [x, record, recordsIn] : cases) {
        const auto readout = pointerAt(x, kGeometry, view, kGrid);
        ASSERT_TRUE(readout) << x;
        EXPECT_EQ(readout->record, record) << x;
        EXPECT_NEAR(readout->time, kGrid.timeOfRecord(10 + recordsIn), 1e-9) << x;
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
