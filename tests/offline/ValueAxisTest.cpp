#include "offline/AxisLabels.h"
#include "offline/NumberText.h"
#include "offline/ValueScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace orv {
namespace {

TEST(ValueAxis, LabelTextIsShortestWithSignPlaceAndSystemSeparator) {
    const struct {
        double value;
        const char* german;
        const char* english;
    } cases[] = {
        {30.6000004, " 30,6 ", " 30.6 "},
        {65.0, " 65 ", " 65 "},
        {-25.0, "-25 ", "-25 "},
        {-0.04, " 0 ", " 0 "},
        {20.25, " 20,2 ", " 20.2 "}, // halves to even, both ways
        {20.75, " 20,8 ", " 20.8 "},
        {-1.55, "-1,6 ", "-1.6 "},
        {1234567.0, " 1234567 ", " 1234567 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(valueLabelText(c.value, GermanFormat()), c.german) << c.value;
        EXPECT_EQ(valueLabelText(c.value, EnglishFormat()), c.english) << c.value;
    }
}

std::vector<std::string> labelTexts(const ValueScale& scale) {
    std::vector<std::string> texts;
    for (const auto& label : valueAxisLabels(DiagramGeometry(9000, 5000), scale, GermanFormat())) {
        texts.push_back(label.text);
    }
    return texts;
}

TEST(ValueAxis, AutoScaleLeavesFiveUnitsAboveAndBelow) {
    const ValueScale scale = autoScale(ChannelExtremes{20, 25}, ChannelExtremes{40, 60});
    EXPECT_EQ(labelTexts(scale),
              (std::vector<std::string>{" 65 ", " 60 ", " 55 ", " 50 ", " 45 ", " 40 ", " 35 ",
                                        " 30 ", " 25 ", " 20 ", " 15 "}));
}

TEST(ValueAxis, WholeSpanMakesTheBottomLabelDifferFromYBottom) {
    // 30.6 - 15.3 = 15.3 rounds to a span of 15, so the bottom edge stands for 15.6.
    const ValueScale scale =
        autoScale(ChannelExtremes{20.3F, 25.6F}, ChannelExtremes{20.3F, 25.6F});
    EXPECT_FLOAT_EQ(scale.yTop, 30.6F);
    EXPECT_FLOAT_EQ(scale.yBottom, 15.3F);
    EXPECT_EQ(scale.ySpan(), 15);
    EXPECT_EQ(labelTexts(scale),
              (std::vector<std::string>{" 30,6 ", " 29,1 ", " 27,6 ", " 26,1 ", " 24,6 ", " 23,1 ",
                                        " 21,6 ", " 20,1 ", " 18,6 ", " 17,1 ", " 15,6 "}));
}

TEST(ValueAxis, SpanIsWholeAndAtLeastOne) {
    const struct {
        float top;
        float bottom;
        double span;
    } cases[] = {
        {10.4F, 10.0F, 1}, {10.0F, 10.0F, 1},  {12.5F, 10.0F, 2},
        {13.5F, 10.0F, 4}, {3e38F, -3e38F, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ((ValueScale{c.top, c.bottom}.ySpan()), c.span) << c.top << " " << c.bottom;
    }
}

TEST(ValueAxis, ChannelsWithoutValuesDoNotCount) {
    const ValueScale onlyTemp = autoScale(ChannelExtremes{-20, -10}, std::nullopt);
    EXPECT_EQ(onlyTemp.yTop, -5.0F);
    EXPECT_EQ(onlyTemp.yBottom, -25.0F);
    const ValueScale none = autoScale(std::nullopt, std::nullopt);
    EXPECT_EQ(none.yTop, 5.0F);
    EXPECT_EQ(none.yBottom, -5.0F);
    // A damaged file's infinity does not blow the axis up.
    const ValueScale inf = autoScale(ChannelExtremes{0, INFINITY}, ChannelExtremes{40, 60});
    EXPECT_EQ(inf.yTop, 65.0F);
}

} // namespace
} // namespace orv
