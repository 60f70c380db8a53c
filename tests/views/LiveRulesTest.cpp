// The live windows' rules: the size rule of the large-type window, what the monitor box keeps of
// the frames, and how the chart reads the sample history.
#include "views/LiveRules.h"
#include "core/LocaleFormat.h"
#include "core/OnlineData.h"

#include <gtest/gtest.h>

#include <string>

namespace orv {
namespace {

struct LayoutCase {
    long long requested;
    int height;
    int width;
    double font;
};

TEST(OnlineLayout, HeightIsClampedAndWidthAndFontFollowIt) {
    const LayoutCase cases[] = {
        {-5, 550, 3250, 7.6},     {549, 550, 3250, 7.6},     {550, 550, 3250, 7.6},
        {680, 680, 3900, 12.8},   {1000, 1000, 5500, 25.6},  {1590, 1590, 8450, 49.2},
        {1591, 1590, 8450, 49.2}, {90000, 1590, 8450, 49.2},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.requested);
        const OnlineLayout l = onlineLayout(c.requested);
        EXPECT_EQ(l.height, c.height);
        EXPECT_EQ(l.width, c.width);
        EXPECT_DOUBLE_EQ(l.fontPoints, c.font);
        EXPECT_EQ(l.labelHeight, c.height - 360);
        EXPECT_EQ(l.labelWidth, c.width / 2 - 68);
        EXPECT_EQ(l.rightLabelLeft, c.width / 2 - 56);
        // The two labels never overlap and stay inside the window.
        EXPECT_LT(l.labelWidth, l.rightLabelLeft);
        EXPECT_LE(l.rightLabelLeft + l.labelWidth, l.width - kOnlineFrameWidth);
    }
}

// Frames as the frame parser appends them: the frame with its CR, then CR LF.
std::string monitorText(int frames, const std::string& frame) {
    std::string text;
    for (int i = 0; i < frames; ++i) {
        text += frame + std::to_string(i % 10) + "\r\r\n";
    }
    return text;
}

struct MonitorCase {
    const char* name;
    int frames;
    int frameLength; // without the CR
    int charsPerLine;
    std::string expected;
};

TEST(MonitorDisplay, KeepsTheLastNineDisplayLinesCountingWrapsAndTheEmptyLastLine) {
    const std::string a = std::string(38, 'a'); // 39 characters with the digit
    const std::string b = std::string(17, 'b'); // 18 characters
    const MonitorCase cases[] = {
        {"empty", 0, 0, 30, ""},
        {"fewer frames than lines", 3, 18, 30, b + "0\n" + b + "1\n" + b + "2\n"},
        {"eight frames and the empty line", 12, 18, 30,
         b + "4\n" + b + "5\n" + b + "6\n" + b + "7\n" + b + "8\n" + b + "9\n" + b + "0\n" + b +
             "1\n"},
        // 39 characters in 20-character lines: two display lines per frame, four frames.
        {"two lines per frame", 12, 39, 20, a + "8\n" + a + "9\n" + a + "0\n" + a + "1\n"},
        // In 14-character lines a frame takes three: 1 + 3 + 3 leaves two lines of a third
        // frame, which keeps its end.
        {"a frame cut by the limit", 12, 39, 14, a.substr(0, 24) + "9\n" + a + "0\n" + a + "1\n"},
    };
    for (const MonitorCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string frame = c.frameLength == 39 ? a : b;
        const std::string shown = monitorDisplayText(monitorText(c.frames, frame), c.charsPerLine);
        EXPECT_EQ(shown, c.expected);
        EXPECT_LE(displayLineCount(shown, c.charsPerLine), kMonitorDisplayLines);
    }
}

TEST(MonitorDisplay, NeverMoreThanNineLinesWhateverTheWidth) {
    const std::string text = monitorText(200, "@T;+023.45;C;F;045.67;%;S/N;SIM00001;7");
    for (int chars = 1; chars <= 60; ++chars) {
        SCOPED_TRACE(chars);
        const std::string shown = monitorDisplayText(text, chars);
        EXPECT_EQ(displayLineCount(shown, chars), kMonitorDisplayLines);
        // The newest frame is always complete at the bottom, followed by the empty line.
        EXPECT_TRUE(shown.ends_with("SIM00001;79\n") || chars < 3) << shown;
    }
}

TEST(MonitorDisplay, UmlautsCountAsOneCharacter) {
    // "ä" is two bytes in UTF-8, one character on screen.
    EXPECT_EQ(displayLineCount("äääää", 5), 1);
    EXPECT_EQ(displayLineCount("ääääää", 5), 2);
    EXPECT_EQ(monitorDisplayText("ääääää\r\n", 5, 2), "ä\n");
}

// History rows as the measurement writes them: shift, then fill the newest row.
void addSample(OnlineData& data, double time, std::optional<float> t, std::optional<float> ch2) {
    data.shift();
    data.newest() = Sample{time, t, ch2};
}

TEST(ChartSnapshot, NoDataTicksAreGapsWithTheirTimeAndUnfilledRowsAreEmpty) {
    OnlineData data;
    data.labels() = {"SIM00001", " °C", " %"};
    const double t0 = (14 * 3600 + 30 * 60 + 5) / 86400.0;
    addSample(data, t0, 21.5F, 48.0F);
    addSample(data, t0 + 1 / 86400.0, 21.6F, 48.1F);
    addSample(data, t0 + 8 / 86400.0, std::nullopt, std::nullopt); // no-data tick
    addSample(data, t0 + 9 / 86400.0, 21.7F, std::nullopt);        // humidity error code

    const GermanFormat german;
    const ChartSnapshot s = takeChartSnapshot(data, german);
    EXPECT_EQ(s.tempUnit, " °C");
    EXPECT_EQ(s.ch2Unit, " %");
    EXPECT_FALSE(s.sharedScale());
    EXPECT_EQ(s.timeLabels[245], "");
    EXPECT_EQ(s.timeLabels[246], "14:30:05");
    EXPECT_EQ(s.timeLabels[248], "14:30:13");
    EXPECT_FALSE(s.temperature[248].has_value());
    EXPECT_EQ(valueRuns(s.temperature), (std::vector<PointRun>{{246, 247}, {249, 249}}));
    EXPECT_EQ(valueRuns(s.channel2), (std::vector<PointRun>{{246, 247}}));

    const EnglishFormat english;
    EXPECT_EQ(takeChartSnapshot(data, english).timeLabels[246], "2:30:05 PM");
}

TEST(ChartSnapshot, ValueRuns) {
    std::array<std::optional<float>, ChartSnapshot::kPoints> v{};
    EXPECT_TRUE(valueRuns(v).empty());
    v.fill(1.0F);
    EXPECT_EQ(valueRuns(v), (std::vector<PointRun>{{0, 249}}));
    v[0].reset();
    v[100].reset();
    v[249].reset();
    v[50] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(valueRuns(v), (std::vector<PointRun>{{1, 49}, {51, 99}, {101, 248}}));
}

TEST(ChartSnapshot, ValueAxisHasRoundTicksAroundTheValues) {
    using Values = std::array<std::optional<float>, ChartSnapshot::kPoints>;
    struct Case {
        const char* name;
        std::vector<float> values;
        ValueAxis expected;
    };
    const Case cases[] = {
        {"no values", {}, {0.0, 1.0, 0.5}},
        {"flat line", {21.5F, 21.5F}, {21.0, 22.0, 0.2}},
        {"room temperature", {19.2F, 23.9F}, {19.0, 24.0, 1.0}},
        {"humidity", {35.0F, 78.0F}, {30.0, 80.0, 10.0}},
        {"below zero", {-12.3F, 4.1F}, {-15.0, 5.0, 5.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Values v{};
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            v[i * 7] = c.values[i];
        }
        const ValueAxis axis = valueAxis({&v});
        EXPECT_DOUBLE_EQ(axis.min, c.expected.min);
        EXPECT_DOUBLE_EQ(axis.max, c.expected.max);
        EXPECT_DOUBLE_EQ(axis.step, c.expected.step);
    }
    // Two series on one scale: the range covers both.
    Values t{};
    Values dew{};
    t[0] = 22.0F;
    dew[0] = 8.0F;
    const ValueAxis shared = valueAxis({&t, &dew});
    EXPECT_LE(shared.min, 8.0);
    EXPECT_GE(shared.max, 22.0);
    EXPECT_EQ((ValueAxis{0, 1, 0.25}).decimals(), 2);
    EXPECT_EQ((ValueAxis{0, 10, 2}).decimals(), 0);
}

} // namespace
} // namespace orv
