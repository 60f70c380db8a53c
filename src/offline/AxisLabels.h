#pragma once

#include "core/LocaleFormat.h"
#include "offline/DiagramGeometry.h"
#include "offline/ValueScale.h"
#include "offline/ViewMapping.h"

#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Time and date labels are cut by position out of the general date-and-time text, so they work
// for the two shapes of that text: "31.12.2004 09:05:00" (decimal comma) and
// "12/31/2004 10:05:00 PM" (decimal point, 12-hour clock). A text without AM/PM has its time cut
// like the German one, whatever the decimal separator.
[[nodiscard]] std::string timeLabelOf(std::string_view generalDate, bool decimalComma);
[[nodiscard]] std::string dateLabelOf(std::string_view generalDate, bool decimalComma);

struct AxisLabel {
    PointTw at; // top-left corner of the text
    std::string text;
};

// The labels under inner grid lines 1..9: the record nearest to each line (halves to even),
// its time as a time label, then as a date label; either row can be switched off.
[[nodiscard]] std::vector<AxisLabel> timeAxisLabels(const DiagramGeometry& geometry,
                                                    const ViewRange& view, const TimeGrid& grid,
                                                    bool showTime, bool showDate,
                                                    const LocaleFormat& locale);

// The eleven value labels from the top edge (yTop) down in steps of ySpan / 10.
[[nodiscard]] std::vector<AxisLabel> valueAxisLabels(const DiagramGeometry& geometry,
                                                     const ValueScale& scale,
                                                     const LocaleFormat& locale);

// Legend entries: "T (°C)" for the temperature; "r.F. (%)" / "r.H. (%)" for a humidity file,
// "TP (°C)" / "DP (°C)" for a dew-point file, German for language code "de", English otherwise.
[[nodiscard]] std::string temperatureLegend(std::string_view tempUnitText);
[[nodiscard]] std::string channel2Legend(std::string_view ch2UnitText,
                                         std::string_view languageCode);

// The unit text " %" marks a humidity column; anything else is a dew point.
[[nodiscard]] inline bool isHumidityUnit(std::string_view ch2UnitText) {
    return ch2UnitText == " %";
}

} // namespace orv
