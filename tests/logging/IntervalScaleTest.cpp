#include "logging/IntervalScale.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace orv {
namespace {

TEST(IntervalScale, SliderPositionGivesQuadraticSeconds) {
    const std::tuple<int, int> cases[] = {
        {1, 5},      {22, 5},     {23, 10}, {74, 55},    {100, 105}, {244, 600},
        {599, 3590}, {600, 3600}, {0, 5},   {601, 3600}, {-7, 5},
    };
    for (const auto& [position, seconds] : cases) {
        EXPECT_EQ(sliderSeconds(position), seconds) << "position " << position;
    }
}

TEST(IntervalScale, ButtonsStepOneSecondAndSliderFollows) {
    enum class Step { Down, Up };
    const std::tuple<int, Step, int, int, const char*> cases[] = {
        // 105 s: "<" gives 104 s and the slider goes to round(sqrt(10395)) = 102.
        {100, Step::Down, 104, 102, "1 Min 44s"},
        {100, Step::Up, 106, 103, "1 Min 46s"},
        // The top: ">" stays at one hour and the slider at 600.
        {600, Step::Up, 3600, 600, "60 Min 0s"},
        {600, Step::Down, 3599, 600, "59 Min 59s"},
        // 5 s at position 1: the button takes no second off and the slider, at or below 5,
        // stays; ">" moves it to round(sqrt(595)) = 24.
        {1, Step::Down, 5, 1, "0 Min 5s"},
        {1, Step::Up, 6, 24, "0 Min 6s"},
        // 5 s at position 22 (above 5): no second off, but the slider follows to 22.
        {22, Step::Down, 5, 22, "0 Min 5s"},
    };
    for (const auto& [startPosition, step, seconds, position, label] : cases) {
        IntervalScale scale(startPosition);
        step == Step::Down ? scale.stepDown() : scale.stepUp();
        EXPECT_EQ(scale.seconds(), seconds) << "from " << startPosition;
        EXPECT_EQ(scale.position(), position) << "from " << startPosition;
        EXPECT_EQ(scale.label(), label);
    }
}

TEST(IntervalScale, ButtonsNeverGoBelowSixSeconds) {
    IntervalScale scale(23); // 10 s
    for (int i = 0; i < 10; ++i) {
        scale.stepDown();
    }
    EXPECT_EQ(scale.seconds(), 6);
    EXPECT_EQ(scale.position(), 24);
    // The slider itself still reaches 5 s.
    scale.setPosition(5);
    EXPECT_EQ(scale.seconds(), 5);
}

} // namespace
} // namespace orv
