#include "offline/AxisLabels.h"

#include "core/DayNumber.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

TEST(AxisLabels, TimeAndDateAreCutFromTheGeneralDateText) {
    const struct {
        const char* general;
        bool decimalComma;
        const char* time;
        const char* date;
    } cases[] = {
        {"31.12.2004 09:05:00", true, "09:05", "31.12."},
        {"12/31/2004 10:05:00 PM", false, "10:05 PM", "12/31"},
        // One-digit month and hour: the blank before the hour stays, the date loses its
        // second digit place.
        {"1/5/2004 9:05:00 AM", false, " 9:05 AM", "1/5/"},
        {"1/15/2004 12:00:00 PM", false, "12:00 PM", "1/15"},
        // No date part: with a one-digit hour there is no blank to keep.
        {"9:05:00 AM", false, "9:05 AM", "9:05:"},
        {"10:05:00 PM", false, "10:05 PM", "10:05"},
        // Texts shorter than the cut never read outside themselves.
        {"", true, "", ""},
        {"1", false, "1 1", "1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(timeLabelOf(c.general, c.decimalComma), c.time) << c.general;
        EXPECT_EQ(dateLabelOf(c.general, c.decimalComma), c.date) << c.general;
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
    const struct {
        const char* unit;
        const char* language;
        const char* legend;
    } cases[] = {
        {" %", "de", "r.F. (%)"}, {" %", "eng", "r.H. (%)"}, {"°C", "de", "TP (°C)"},
        {"°C", "eng", "DP (°C)"}, {" K", "eng", "DP ( K)"},  {"°F", "xx", "DP (°F)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(channel2Legend(c.unit, c.language), c.legend);
    }
}

} // namespace
} // namespace orv
