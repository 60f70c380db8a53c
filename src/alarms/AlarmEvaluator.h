#pragma once

#include "alarms/AlarmRule.h"

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace orv {

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// One live sample: local day number, temperature and dew point in °C, relative humidity in %.
// NaN marks a value the sensor did not give (an error code).
struct AlarmSample {
    double time = 0.0;
    double temperature = kNoValue;
    double humidity = kNoValue;
    double dewPoint = kNoValue;
};

struct AlarmEvent {
    double time = 0.0; // local day number
    std::size_t rule = 0;
    std::string ruleText;
    std::optional<double> value; // in the rule's unit; none for a silence alarm
    bool start = true;

    friend bool operator==(const AlarmEvent&, const AlarmEvent&) = default;
};

// Watches the live samples against a set of rules and reports when an alarm starts and ends.
//
// A rule starts when its condition has held for the hold time without a break (at the first
// sample that completes it; at once without a hold time) and ends as soon as the value is back
// beyond the limit by the hysteresis: "humidity>70 hyst 2" starts above 70 and ends at 68 or
// below. A missing value neither starts nor ends an alarm, but breaks a hold time that is
// running: nobody knows what happened in the gap. The silence rule follows the no-data state.
class AlarmEvaluator {
public:
    explicit AlarmEvaluator(std::vector<AlarmRule> rules = {},
                            TempUnit display = TempUnit::Celsius);

    // Limits written without a unit follow the display unit of the moment.
    void setDisplayUnit(TempUnit unit) { display_ = unit; }
    [[nodiscard]] TempUnit displayUnit() const { return display_; }

    // A good sample also ends the no-data state.
    [[nodiscard]] std::vector<AlarmEvent> sample(const AlarmSample& s);
    // The no-data state began (true) or is still on at `time`; false ends it.
    [[nodiscard]] std::vector<AlarmEvent> silence(double time, bool silent);

    [[nodiscard]] const std::vector<AlarmRule>& rules() const { return rules_; }
    [[nodiscard]] bool active(std::size_t rule) const { return states_.at(rule).active; }
    // Some rule on this quantity is active.
    [[nodiscard]] bool anyActive(AlarmQuantity q) const;
    [[nodiscard]] bool anyActive() const;
    // The start events of the alarms active now (what a new events file begins with).
    [[nodiscard]] std::vector<AlarmEvent> activeStarts() const;
    // The texts of the rules active now, in the order of the rules.
    [[nodiscard]] std::vector<std::string> activeRuleTexts() const;

    // The value a rule looks at, in its unit; NaN when the sample lacks it.
    [[nodiscard]] double valueOf(const AlarmRule& rule, const AlarmSample& s) const;

private:
    struct State {
        bool active = false;
        std::optional<double> pendingSince; // condition true since, hold time running
        AlarmEvent startEvent;
    };
    void step(std::size_t i, double time, std::optional<double> value, bool condition, bool clear,
              std::vector<AlarmEvent>& out);

    std::vector<AlarmRule> rules_;
    std::vector<State> states_;
    TempUnit display_;
};

} // namespace orv
