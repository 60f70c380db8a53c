#pragma once

#include "core/OnlineData.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class LocaleFormat;

// --- online values window ------------------------------------------------------------------

// The large-type window is sized by its height alone; all lengths in twips, the font in points.
struct OnlineLayout {
    int height = 0;      // the window, clamped to 550..1590
    int width = 0;       // height x 5 + 500
    int labelWidth = 0;  // each of the two labels
    int labelHeight = 0; // height - 360 (the rest is title bar and frame)
    int rightLabelLeft = 0;
    double fontPoints = 0.0; // (height - 360) / 25, the same for both labels
};

inline constexpr int kOnlineMinHeight = 550;
inline constexpr int kOnlineMaxHeight = 1590;
inline constexpr int kOnlineDefaultHeight = 680;
// Title bar and frame of the classic window, in twips.
inline constexpr int kOnlineFrameHeight = 360;
inline constexpr int kOnlineFrameWidth = 120;

[[nodiscard]] OnlineLayout onlineLayout(long long requestedHeight);

// --- RS232 monitor -------------------------------------------------------------------------

inline constexpr int kMonitorDisplayLines = 9;

// What the monitor box shows of `monitorText` (frames, each followed by CR LF): the last
// `maxLines` display lines when a display line holds `charsPerLine` characters and longer lines
// wrap. The empty line after the final line end counts as one of them, as in a text box whose
// caret sits below the newest frame. Line ends become "\n"; the CR that ends each frame is not
// shown. A line cut by the limit keeps its last display lines.
[[nodiscard]] std::string monitorDisplayText(std::string_view monitorText, int charsPerLine,
                                             int maxLines = kMonitorDisplayLines);

// Display lines of a text with "\n" line ends, wrapped at `charsPerLine` characters (UTF-8
// sequences count as one character).
[[nodiscard]] int displayLineCount(std::string_view text, int charsPerLine);

// --- online chart --------------------------------------------------------------------------

// The chart's picture of the sample history, taken at a redraw tick: one point per history row,
// with its time label, the two values (empty: nothing drawn there) and the series labels.
struct ChartSnapshot {
    static constexpr int kPoints = OnlineData::kSampleRows;
    std::array<std::string, kPoints> timeLabels;
    std::array<std::optional<float>, kPoints> temperature;
    std::array<std::optional<float>, kPoints> channel2;
    std::string tempUnit;
    std::string ch2Unit;

    // Both series in the same unit (channel 2 is the dew point): one common value scale.
    [[nodiscard]] bool sharedScale() const { return tempUnit == ch2Unit; }
};

// Copies rows 1..250 of the history. A row never filled has no label; a no-data tick keeps its
// time label but no values, so the chart shows a gap there instead of an older value.
[[nodiscard]] ChartSnapshot takeChartSnapshot(const OnlineData& data, const LocaleFormat& locale);

// The time of day of `fraction` (0..1 of a day) in the locale's long time format.
[[nodiscard]] std::string timeOfDayText(const LocaleFormat& locale, double fraction);

// Runs of consecutive points that carry a value: [first, last] point indexes.
struct PointRun {
    int first = 0;
    int last = 0;
    friend bool operator==(const PointRun&, const PointRun&) = default;
};
[[nodiscard]] std::vector<PointRun>
valueRuns(const std::array<std::optional<float>, ChartSnapshot::kPoints>& values);

// A value axis: range and tick step, with round numbers at the ticks.
struct ValueAxis {
    double min = 0.0;
    double max = 1.0;
    double step = 0.5;
    [[nodiscard]] int decimals() const;
    friend bool operator==(const ValueAxis&, const ValueAxis&) = default;
};

// The axis for the values (any number of series), at most about `maxTicks` steps; a flat line
// gets a range of one unit around it, no values the range 0..1.
[[nodiscard]] ValueAxis valueAxis(
    const std::vector<const std::array<std::optional<float>, ChartSnapshot::kPoints>*>& series,
    int maxTicks = 6);

} // namespace orv
