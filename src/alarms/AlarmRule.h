#pragma once

#include "core/Measurement.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace orv {

class Texts;

// What a rule watches. The margin is the temperature minus the dew point: how far the air is
// from condensing on a surface at the measured temperature.
enum class AlarmQuantity { Temperature, Humidity, DewPoint, Margin, Silence };

enum class AlarmComparison { Above, AtLeast, Below, AtMost }; // > >= < <=

// The unit of a rule's limit and hysteresis. `Display` (no unit written) means the temperature
// unit the program shows at the moment; humidity is always %, the margin always K.
enum class AlarmUnit { Display, Celsius, Fahrenheit, Kelvin, Percent, KelvinDifference };

// One alarm rule, e.g. "humidity>70 for 60s", "margin<2", "temperature<5 hyst 0.5",
// "dewpoint>12", "silence". Limit and hysteresis are in `unit`.
struct AlarmRule {
    std::string text; // as the user wrote it, blanks at both ends dropped
    AlarmQuantity quantity = AlarmQuantity::Silence;
    AlarmComparison comparison = AlarmComparison::Above;
    double limit = 0.0;
    AlarmUnit unit = AlarmUnit::Display;
    double hysteresis = 0.0;  // >= 0
    double holdSeconds = 0.0; // >= 0: the condition must last this long before the alarm starts

    [[nodiscard]] bool above() const {
        return comparison == AlarmComparison::Above || comparison == AlarmComparison::AtLeast;
    }
};

// Why a rule text was refused. The German text id of each reason is its value.
enum class AlarmRuleProblem {
    Empty = 360,
    UnknownQuantity = 361,
    MissingComparison = 362,
    BadLimit = 363,
    BadUnit = 364,
    BadHoldTime = 365,
    BadHysteresis = 366,
    UnexpectedText = 367,
};

struct AlarmRuleError {
    std::string text; // the refused rule
    AlarmRuleProblem problem = AlarmRuleProblem::Empty;
    std::string near; // the part of the text where reading stopped; may be empty
};

// The one reader of rule texts, for the settings file, the alarm dialog and the command line.
// Case and blanks do not matter; a limit may have a decimal point or comma.
//   rule     = quantity comparison number [unit] { "for" duration | "hyst" number [unit] }
//            | "silence" [ "for" duration ]
//   quantity = temperature | temp | t | humidity | rh | h | dewpoint | dew point | td | margin
//              (German: temperatur, feuchte, taupunkt, abstand)
//   unit     = °C | C | °F | F | K | % | %rh     duration = number [s | min | h]
[[nodiscard]] std::variant<AlarmRule, AlarmRuleError> parseAlarmRule(std::string_view text);

// "humidity>>70: limit missing or not a number (at '>70')" in the language of `texts`, English
// without texts.
[[nodiscard]] std::string alarmRuleErrorText(const AlarmRuleError& error,
                                             const Texts* texts = nullptr);

// The unit the rule's limit is in, with `Display` resolved to the program's temperature unit.
[[nodiscard]] AlarmUnit effectiveUnit(const AlarmRule& rule, TempUnit display);

// A temperature in °C expressed in `unit` (Celsius, Fahrenheit or Kelvin; others pass it through).
[[nodiscard]] double fromCelsius(double celsius, AlarmUnit unit);

} // namespace orv
