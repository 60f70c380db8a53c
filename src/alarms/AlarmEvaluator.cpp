#include "alarms/AlarmEvaluator.h"

#include "core/DayNumber.h"

#include <cmath>

namespace orv {
namespace {

bool conditionHolds(const AlarmRule& r, double v) {
    switch (r.comparison) {
    case AlarmComparison::Above:
        return v > r.limit;
    case AlarmComparison::AtLeast:
        return v >= r.limit;
    case AlarmComparison::Below:
        return v < r.limit;
    case AlarmComparison::AtMost:
        return v <= r.limit;
    }
    return false;
}

// Back inside the limit by the hysteresis: ">70 hyst 2" clears at 68, ">=70 hyst 2" below 68.
bool cleared(const AlarmRule& r, double v) {
    switch (r.comparison) {
    case AlarmComparison::Above:
        return v <= r.limit - r.hysteresis;
    case AlarmComparison::AtLeast:
        return v < r.limit - r.hysteresis;
    case AlarmComparison::Below:
        return v >= r.limit + r.hysteresis;
    case AlarmComparison::AtMost:
        return v > r.limit + r.hysteresis;
    }
    return true;
}

// Whole milliseconds between two day numbers, so "exactly 60 s" is not lost to rounding.
long long millisBetween(double from, double to) {
    return std::llround((to - from) * kSecondsPerDay * 1000.0);
}

} // namespace

AlarmEvaluator::AlarmEvaluator(std::vector<AlarmRule> rules, TempUnit display)
    : rules_(std::move(rules)), states_(rules_.size()), display_(display) {}

double AlarmEvaluator::valueOf(const AlarmRule& rule, const AlarmSample& s) const {
    switch (rule.quantity) {
    case AlarmQuantity::Temperature:
        return fromCelsius(s.temperature, effectiveUnit(rule, display_));
    case AlarmQuantity::DewPoint:
        return fromCelsius(s.dewPoint, effectiveUnit(rule, display_));
    case AlarmQuantity::Humidity:
        return s.humidity;
    case AlarmQuantity::Margin:
        return s.temperature - s.dewPoint;
    case AlarmQuantity::Silence:
        break;
    }
    return kNoValue;
}

void AlarmEvaluator::step(std::size_t i, double time, std::optional<double> value, bool condition,
                          bool clear, std::vector<AlarmEvent>& out) {
    const AlarmRule& rule = rules_[i];
    State& st = states_[i];
    if (st.active) {
        if (clear) {
            st.active = false;
            st.pendingSince.reset();
            out.push_back(AlarmEvent{time, i, rule.text, value, false});
        }
        return;
    }
    if (!condition) {
        st.pendingSince.reset();
        return;
    }
    if (!st.pendingSince) {
        st.pendingSince = time;
    }
    if (millisBetween(*st.pendingSince, time) >= std::llround(rule.holdSeconds * 1000.0)) {
        st.active = true;
        st.pendingSince.reset();
        st.startEvent = AlarmEvent{time, i, rule.text, value, true};
        out.push_back(st.startEvent);
    }
}

std::vector<AlarmEvent> AlarmEvaluator::sample(const AlarmSample& s) {
    std::vector<AlarmEvent> out;
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        const AlarmRule& rule = rules_[i];
        if (rule.quantity == AlarmQuantity::Silence) {
            step(i, s.time, std::nullopt, false, true, out);
            continue;
        }
        const double v = valueOf(rule, s);
        if (std::isnan(v)) {
            states_[i].pendingSince.reset();
            continue;
        }
        step(i, s.time, v, conditionHolds(rule, v), cleared(rule, v), out);
    }
    return out;
}

std::vector<AlarmEvent> AlarmEvaluator::silence(double time, bool silent) {
    std::vector<AlarmEvent> out;
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        if (rules_[i].quantity == AlarmQuantity::Silence) {
            step(i, time, std::nullopt, silent, !silent, out);
        } else if (silent) {
            // No values in the gap: a running hold time starts again after it.
            states_[i].pendingSince.reset();
        }
    }
    return out;
}

bool AlarmEvaluator::anyActive(AlarmQuantity q) const {
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        if (states_[i].active && rules_[i].quantity == q) {
            return true;
        }
    }
    return false;
}

bool AlarmEvaluator::anyActive() const {
    for (const State& st : states_) {
        if (st.active) {
            return true;
        }
    }
    return false;
}

std::vector<AlarmEvent> AlarmEvaluator::activeStarts() const {
    std::vector<AlarmEvent> out;
    for (const State& st : states_) {
        if (st.active) {
            out.push_back(st.startEvent);
        }
    }
    return out;
}

std::vector<std::string> AlarmEvaluator::activeRuleTexts() const {
    std::vector<std::string> out;
    for (const State& st : states_) {
        if (st.active) {
            out.push_back(st.startEvent.ruleText);
        }
    }
    return out;
}

} // namespace orv
