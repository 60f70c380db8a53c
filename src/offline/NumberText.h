#pragma once

#include "core/LocaleFormat.h"

#include <string>

namespace orv {

// Round(v, decimals) of the diagram and data window: v scaled by 10^decimals, rounded to the
// nearest whole number with halves to even, scaled back. NaN stays NaN.
[[nodiscard]] double roundHalfEven(double value, int decimals);

// The shortest decimal text that reads back as `value`, in plain positional notation, with
// `decimalSeparator` and no digit grouping: 21.5 -> "21,5" (German), 60 -> "60". Negative zero
// is written "0", NaN "NaN", infinities "Inf" and "-Inf".
[[nodiscard]] std::string shortestText(double value, const std::string& decimalSeparator);
// The same for a Single: the shortest text of the float itself (0.1f -> "0.1").
[[nodiscard]] std::string shortestText(float value, const std::string& decimalSeparator);

// A read-out value (pointer, marker, statistics): Round(value, decimals) as shortest text with
// the system's decimal separator.
[[nodiscard]] std::string roundedText(double value, int decimals, const LocaleFormat& locale);

// A value-axis label: Round(value, 1) as shortest text, a blank in place of the sign when it is
// not negative and a blank after it (" 30,6 ", "-5 ").
[[nodiscard]] std::string valueLabelText(double value, const LocaleFormat& locale);

} // namespace orv
