#pragma once

#include "core/LocaleFormat.h"
#include "core/Measurement.h"
#include "core/Psychrometrics.h"

#include <string>

namespace orv {

// The online values window's second line: the humidity quantities of the latest sample, one
// decimal each, e.g. "8,6 g/m³  7,3 g/kg  38,6 kJ/kg  Tf 13,8 °C  ΔT 10,9 K". The wet bulb is
// shown in the display unit, like the temperature beside it; the margin is a difference in K.
// "--.-" when the sample lacks the temperature or the humidity (or the unit is not known).
[[nodiscard]] std::string derivedLineText(const SampleValues& sample, TempUnit unit,
                                          double pressureHpa, const LocaleFormat& locale);

} // namespace orv
