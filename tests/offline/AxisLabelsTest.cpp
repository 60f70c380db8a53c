#include "offline/AxisLabels.h"

#include "core/DayNumber.h"
#include "offline/NumberText.h"
#include "offline/ValueScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace orv {
namespace {

TEST(AxisLabels, TimeAndDateAreCutFromTheGeneralDateText) {
    const std::tuple<const char*, bool, const char*, const char*> cases[] = {
        {"12/31/2004 10:05:00 PM", false, "10:05 PM", "12/31"},
        // One-digit month; one-digit hours are in the labels for 601 records below.
        {"1/15/2004 12:00:00 PM", false, "12:00 PM", "1/15"},
        // No date part: with a one-digit hour there is no blank to keep.
        {"9:05:00 AM", false, "9:05 AM", "9:05:"},
        {"10:05:00 PM", false, "10:05 PM", "10:05"},
        // Texts shorter than the cut never read outside themselves.
        {"", true, "", ""},
        {"1", false, "1", "1"},
        // A 24-hour clock with a decimal point keeps its minutes.
        {"04/03/2024 16:00:00", false, "16:00", "04/03"},
        {"4 Mar 2024 07:30:00", false, "07:30", "4 Mar"},
    };
    for (const auto& [general, decimalComma, time, date] : cases) {
        EXPECT_EQ(timeLabelOf(general, decimalComma), time) << general;
        EXPECT_EQ(dateLabelOf(general, decimalComma), date) << general;
    }
}

std::vector<std::string> texts(const std::vector<AxisLabel>& labels) {
    std::vector<std::string> out;
    for (const auto& l : labels) {
        out.push_back(l.text);
    }
    return out;
}

// 601 records at 60 s from 08:00: the labels fall on the full hours 09:00 .. 17:00.
TEST(AxisLabels, HourlyLabelsFor601RecordsAtOneMinute) {
    const DiagramGeometry geometry(9000, 5000);
    const TimeGrid grid{fromCivil({2004, 1, 5, 8, 0, 0}), 60.0F};
    const ViewRange view{0, 601};

    const auto german = timeAxisLabels(geometry, view, grid, true, false, GermanFormat());
    EXPECT_EQ(texts(german), (std::vector<std::string>{"09:00", "10:00", "11:00", "12:00", "13:00",
                                                       "14:00", "15:00", "16:00", "17:00"}));
    const auto english = timeAxisLabels(geometry, view, grid, true, true, EnglishFormat());
    EXPECT_EQ(texts(english), (std::vector<std::string>{
                                  " 9:00 AM", "1/5/", "10:00 AM", "1/5/", "11:00 AM", "1/5/",
                                  "12:00 PM", "1/5/", " 1:00 PM", "1/5/", " 2:00 PM", "1/5/",
                                  " 3:00 PM", "1/5/", " 4:00 PM", "1/5/", " 5:00 PM", "1/5/"}));
    // Label i sits under grid line i.
    EXPECT_DOUBLE_EQ(english[0].at.x, 7500.0 / 10 * 1 + 300);
    EXPECT_DOUBLE_EQ(english[0].at.y, 5000 - 550);
    EXPECT_DOUBLE_EQ(english[17].at.x, 7500.0 / 10 * 9 + 280);
    EXPECT_DOUBLE_EQ(english[17].at.y, 5000 - 300);
}

TEST(AxisLabels, ZoomedViewLabelsStartAtItsFirstRecordAndRoundToTheNearestRecord) {
    const DiagramGeometry geometry(9000, 5000);
    const TimeGrid grid{fromCivil({2004, 12, 31, 23, 0, 0}), 60.0F};
    // 16 records from record 30 (23:30): d = round(1.5 i) -> 2, 3, 4(4.5), 6, 8(7.5), ...
    const auto labels =
        timeAxisLabels(geometry, ViewRange{30, 16}, grid, true, true, GermanFormat());
    EXPECT_EQ(texts(labels),
              (std::vector<std::string>{"23:32", "31.12.", "23:33", "31.12.", "23:34", "31.12.",
                                        "23:36", "31.12.", "23:38", "31.12.", "23:39", "31.12.",
                                        "23:40", "31.12.", "23:42", "31.12.", "23:44", "31.12."}));
    EXPECT_TRUE(
        timeAxisLabels(geometry, ViewRange{0, 601}, grid, false, false, GermanFormat()).empty());
}

TEST(AxisLabels, LegendNamesUnitsAndChannelInTheLanguage) {
    EXPECT_EQ(temperatureLegend("°F"), "T (°F)");
    EXPECT_EQ(temperatureLegend(" K"), "T ( K)");
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {" %", "de", "r.F. (%)"}, {" %", "eng", "r.H. (%)"}, {"°C", "de", "TP (°C)"},
        {"°C", "eng", "DP (°C)"}, {" K", "eng", "DP ( K)"},  {"°F", "xx", "DP (°F)"},
    };
    for (const auto& [unit, language, legend] : cases) {
        EXPECT_EQ(channel2Legend(unit, language), legend);
    }
}

TEST(ValueAxis, LabelTextIsShortestWithSignPlaceAndSystemSeparator) {
    const std::tuple<double, const char*, const char*> cases[] = {
        {30.6000004, " 30,6 ", " 30.6 "},
        {-25.0, "-25 ", "-25 "},
        {-0.04, " 0 ", " 0 "},
        {20.25, " 20,2 ", " 20.2 "}, // halves to even, both ways
        {20.75, " 20,8 ", " 20.8 "},
        {-1.55, "-1,6 ", "-1.6 "},
        {1234567.0, " 1234567 ", " 1234567 "},
    };
    for (const auto& [value, german, english] : cases) {
        EXPECT_EQ(valueLabelText(value, GermanFormat()), german) << value;
        EXPECT_EQ(valueLabelText(value, EnglishFormat()), english) << value;
    }
}

TEST(ValueAxis, WholeSpanMakesTheBottomLabelDifferFromYBottom) {
    // Five units above and below the extremes; 30.6 - 15.3 = 15.3 rounds to a span of 15, so the
    // bottom edge stands for 15.6.
    const ValueScale scale =
        autoScale(ChannelExtremes{20.3F, 25.6F}, ChannelExtremes{20.3F, 25.6F});
    EXPECT_FLOAT_EQ(scale.yBottom, 15.3F);
    EXPECT_EQ(texts(valueAxisLabels(DiagramGeometry(9000, 5000), scale, GermanFormat())),
              (std::vector<std::string>{" 30,6 ", " 29,1 ", " 27,6 ", " 26,1 ", " 24,6 ", " 23,1 ",
                                        " 21,6 ", " 20,1 ", " 18,6 ", " 17,1 ", " 15,6 "}));
}

TEST(ValueAxis, SpanIsWholeAndAtLeastOne) {
    const std::tuple<float, float, double> cases[] = {
        {10.4F, 10.0F, 1}, {10.0F, 10.0F, 1},  {12.5F, 10.0F, 2},
        {13.5F, 10.0F, 4}, {3e38F, -3e38F, 1},
    };
    for (const auto& [top, bottom, span] : cases) {
        EXPECT_EQ((ValueScale{top, bottom}.ySpan()), span) << top << " " << bottom;
    }
}

TEST(ValueAxis, ChannelsWithoutValuesDoNotCount) {
    const ValueScale onlyTemp = autoScale(ChannelExtremes{-20, -10}, std::nullopt);
    EXPECT_EQ(onlyTemp.yTop, -5.0F);
    EXPECT_EQ(onlyTemp.yBottom, -25.0F);
    // A damaged file's infinity does not blow the axis up.
    const ValueScale inf = autoScale(ChannelExtremes{0, INFINITY}, ChannelExtremes{40, 60});
    EXPECT_EQ(inf.yTop, 65.0F);
}

} // namespace
} // namespace orv
