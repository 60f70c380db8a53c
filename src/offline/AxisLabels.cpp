#include "offline/AxisLabels.h"

#include "offline/NumberText.h"

#include <cctype>
#include <cmath>

namespace orv {
namespace {

// Left$ and Right$: never longer than the text itself.
std::string_view leftOf(std::string_view s, std::size_t n) {
    return s.substr(0, std::min(n, s.size()));
}

std::string_view rightOf(std::string_view s, std::size_t n) {
    return s.substr(s.size() - std::min(n, s.size()));
}

} // namespace

std::string timeLabelOf(std::string_view s, bool decimalComma) {
    // The 12-hour cut needs the AM/PM at the end; a 24-hour clock with a decimal point (British
    // English, for one) would lose its minutes to it, so it is cut like the German text.
    const bool twelveHour = !s.empty() && std::isalpha(static_cast<unsigned char>(s.back())) != 0;
    if (decimalComma || !twelveHour) {
        return std::string(leftOf(rightOf(s, 8), 5));
    }
    // With a one-digit hour and no date part the hour has no blank before it to keep.
    const std::size_t take = s.find(':') == 1 ? 4 : 5;
    std::string label(leftOf(rightOf(s, 11), take));
    label += ' ';
    label += rightOf(s, 2);
    return label;
}

std::string dateLabelOf(std::string_view s, bool decimalComma) {
    if (decimalComma) {
        return std::string(leftOf(s, 6));
    }
    return std::string(leftOf(s, s.find('/') == 1 ? 4 : 5));
}

std::vector<AxisLabel> timeAxisLabels(const DiagramGeometry& geometry, const ViewRange& view,
                                      const TimeGrid& grid, bool showTime, bool showDate,
                                      const LocaleFormat& locale) {
    std::vector<AxisLabel> labels;
    if (!showTime && !showDate) {
        return labels;
    }
    const bool decimalComma = locale.decimalSeparator() == ",";
    for (int i = 1; i < DiagramGeometry::kGridDivisions; ++i) {
        const double d = std::nearbyint(static_cast<double>(view.count - 1) / 10 * i);
        const std::string s = locale.generalDate(grid.timeOfRecord(view.start + d));
        if (showTime) {
            labels.push_back({geometry.timeLabel(i), timeLabelOf(s, decimalComma)});
        }
        if (showDate) {
            labels.push_back({geometry.dateLabel(i), dateLabelOf(s, decimalComma)});
        }
    }
    return labels;
}

std::vector<AxisLabel> valueAxisLabels(const DiagramGeometry& geometry, const ValueScale& scale,
                                       const LocaleFormat& locale) {
    std::vector<AxisLabel> labels;
    for (int i = 0; i <= DiagramGeometry::kGridDivisions; ++i) {
        labels.push_back({geometry.valueLabel(i), valueLabelText(scale.labelValue(i), locale)});
    }
    return labels;
}

std::string temperatureLegend(std::string_view tempUnitText) {
    return "T (" + std::string(tempUnitText) + ")";
}

std::string channel2Legend(std::string_view ch2UnitText, std::string_view languageCode) {
    const bool german = languageCode == "de";
    if (isHumidityUnit(ch2UnitText)) {
        return german ? "r.F. (%)" : "r.H. (%)";
    }
    return (german ? "TP (" : "DP (") + std::string(ch2UnitText) + ")";
}

} // namespace orv
