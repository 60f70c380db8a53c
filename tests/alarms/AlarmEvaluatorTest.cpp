#include "alarms/AlarmEvaluator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

namespace orv {
namespace {

constexpr double N = kNoValue;
constexpr double kDay0 = 46000.5; // some local noon

// A sample (silence < 0) or a no-data signal (silence 1 on, 0 off) at `sec` seconds.
struct Step {
    double sec;
    double t = N;
    double rh = N;
    double td = N;
    int silence = -1;
};
Step at(double sec, double t, double rh, double td) {
    return Step{sec, t, rh, td, -1};
}
Step rh(double sec, double value) {
    return Step{sec, 20.0, value, 10.0, -1};
}
Step silent(double sec, bool on) {
    return Step{sec, N, N, N, on ? 1 : 0};
}

struct Seen {
    double sec;
    std::size_t rule;
    bool start;
    double value; // NaN: the event has no value
};

struct Case {
    const char* name;
    std::vector<const char*> rules;
    TempUnit display;
    std::vector<Step> steps;
    std::vector<Seen> expected;
};

std::string describe(const std::vector<Seen>& events) {
    std::ostringstream out;
    for (const Seen& e : events) {
        out << "[" << e.sec << "s rule " << e.rule << (e.start ? " start " : " end ") << e.value
            << "] ";
    }
    return out.str();
}

class Evaluation : public testing::TestWithParam<Case> {};

TEST_P(Evaluation, GivesTheExpectedStartsAndEnds) {
    const Case& c = GetParam();
    std::vector<AlarmRule> rules;
    for (const char* text : c.rules) {
        rules.push_back(std::get<AlarmRule>(parseAlarmRule(text)));
    }
    AlarmEvaluator eval(rules, c.display);
    std::vector<Seen> seen;
    for (const Step& s : c.steps) {
        const double time = kDay0 + s.sec / 86400.0;
        const std::vector<AlarmEvent> events = s.silence < 0
                                                   ? eval.sample(AlarmSample{time, s.t, s.rh, s.td})
                                                   : eval.silence(time, s.silence == 1);
        for (const AlarmEvent& e : events) {
            EXPECT_EQ(e.ruleText, c.rules[e.rule]);
            seen.push_back(Seen{std::round((e.time - kDay0) * 86400.0 * 1000.0) / 1000.0, e.rule,
                                e.start, e.value.value_or(N)});
        }
    }
    ASSERT_EQ(seen.size(), c.expected.size()) << describe(seen);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_DOUBLE_EQ(seen[i].sec, c.expected[i].sec) << describe(seen);
        EXPECT_EQ(seen[i].rule, c.expected[i].rule) << describe(seen);
        EXPECT_EQ(seen[i].start, c.expected[i].start) << describe(seen);
        if (std::isnan(c.expected[i].value)) {
            EXPECT_TRUE(std::isnan(seen[i].value)) << describe(seen);
        } else {
            EXPECT_NEAR(seen[i].value, c.expected[i].value, 1e-9) << describe(seen);
        }
    }
}

const TempUnit kC = TempUnit::Celsius;

INSTANTIATE_TEST_SUITE_P(
    Rules, Evaluation,
    testing::Values(Case{"AboveIsStrictAndEndsAtTheLimit",
                         {"humidity>70"},
                         kC,
                         {rh(0, 70), rh(1, 70.1), rh(2, 70.05), rh(3, 70)},
                         {{1, 0, true, 70.1}, {3, 0, false, 70}}},
                    Case{"AtLeastStartsAtTheLimit",
                         {"humidity>=70"},
                         kC,
                         {rh(0, 70), rh(1, 69.99)},
                         {{0, 0, true, 70}, {1, 0, false, 69.99}}},
                    Case{"HysteresisBandKeepsItOn",
                         {"humidity>70 hyst 2"},
                         kC,
                         {rh(0, 71), rh(1, 69), rh(2, 68.01), rh(3, 71), rh(4, 68)},
                         {{0, 0, true, 71}, {4, 0, false, 68}}},
                    Case{"BelowWithHysteresisEndsAboveTheBand",
                         {"temperature<5 hyst 0.5"},
                         kC,
                         {at(0, 5, 50, 0), at(1, 4.9, 50, 0), at(2, 5.4, 50, 0), at(3, 5.5, 50, 0)},
                         {{1, 0, true, 4.9}, {3, 0, false, 5.5}}},
                    Case{"HoldTimeJustShort",
                         {"humidity>70 for 60s"},
                         kC,
                         {rh(0, 71), rh(30, 75), rh(59.9, 71), rh(61, 70)},
                         {}},
                    Case{"HoldTimeJustReached",
                         {"humidity>70 for 60s"},
                         kC,
                         {rh(0, 71), rh(30, 75), rh(60, 72), rh(61, 80), rh(62, 60)},
                         {{60, 0, true, 72}, {62, 0, false, 60}}},
                    Case{"HoldTimeStartsAgainAfterADip",
                         {"humidity>70 for 60s"},
                         kC,
                         {rh(0, 71), rh(30, 69), rh(40, 71), rh(99, 71), rh(100, 71)},
                         {{100, 0, true, 71}}},
                    Case{"MissingValueBreaksTheHoldTime",
                         {"humidity>70 for 60s"},
                         kC,
                         {rh(0, 71), rh(30, N), rh(60, 71), rh(119, 71), rh(120, 71)},
                         {{120, 0, true, 71}}},
                    Case{"MissingValueNeitherStartsNorEndsAnActiveAlarm",
                         {"humidity>70"},
                         kC,
                         {rh(0, 71), rh(1, N), at(2, N, N, N), rh(3, 50)},
                         {{0, 0, true, 71}, {3, 0, false, 50}}},
                    Case{"MarginIsTemperatureMinusDewPointInKelvin",
                         {"margin<2"},
                         TempUnit::Fahrenheit,
                         {at(0, 20, 80, 17.9), at(1, 20, 90, 18.5), at(2, 20, 80, 18.0)},
                         {{1, 0, true, 1.5}, {2, 0, false, 2.0}}},
                    Case{"UnwrittenUnitIsTheDisplayUnit",
                         {"dewpoint>53.6"},
                         TempUnit::Fahrenheit,
                         {at(0, 20, 50, 12.0), at(1, 20, 50, 12.5)},
                         {{1, 0, true, 12.5 * 1.8 + 32}}},
                    Case{"WrittenUnitWinsOverTheDisplay",
                         {"temperature>300 K"},
                         TempUnit::Fahrenheit,
                         {at(0, 26.85, 50, 10), at(1, 27, 50, 10)},
                         {{1, 0, true, 300.15}}},
                    Case{"SilenceStartsAndAGoodSampleEndsIt",
                         {"silence"},
                         kC,
                         {rh(0, 50), silent(21, true), silent(28, true), rh(30, 50)},
                         {{21, 0, true, N}, {30, 0, false, N}}},
                    Case{"SilenceWithHoldTime",
                         {"silence for 30s"},
                         kC,
                         {silent(14, true), silent(21, true), silent(43, true), silent(44, true),
                          silent(50, false)},
                         {{44, 0, true, N}, {50, 0, false, N}}},
                    Case{"SilenceBreaksAValueHoldTime",
                         {"humidity>70 for 60s"},
                         kC,
                         {rh(0, 71), silent(20, true), rh(30, 71), rh(89, 71), rh(90, 71)},
                         {{90, 0, true, 71}}},
                    Case{"SeveralRulesReportInRuleOrder",
                         {"humidity>70", "margin<2", "silence", "temperature>30"},
                         kC,
                         {at(0, 20, 90, 18.4), silent(20, true), at(30, 20, 60, 10)},
                         {{0, 0, true, 90},
                          {0, 1, true, 20 - 18.4},
                          {20, 2, true, N},
                          {30, 0, false, 60},
                          {30, 1, false, 10},
                          {30, 2, false, N}}}),
    [](const testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

TEST(AlarmEvaluatorState, TellsWhichQuantitiesAreInAlarmAndWhatIsActive) {
    AlarmEvaluator eval({std::get<AlarmRule>(parseAlarmRule("humidity>70")),
                         std::get<AlarmRule>(parseAlarmRule("margin<2"))});
    (void)eval.sample(AlarmSample{kDay0, 20, 75, 10});
    EXPECT_TRUE(eval.anyActive(AlarmQuantity::Humidity));
    EXPECT_FALSE(eval.anyActive(AlarmQuantity::Margin));
    EXPECT_FALSE(eval.anyActive(AlarmQuantity::Temperature));
    const std::vector<AlarmEvent> starts = eval.activeStarts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].ruleText, "humidity>70");
    EXPECT_DOUBLE_EQ(starts[0].time, kDay0);
    (void)eval.sample(AlarmSample{kDay0 + 0.001, 20, 50, 10});
    EXPECT_FALSE(eval.anyActive());
    EXPECT_TRUE(eval.activeStarts().empty());
}

} // namespace
} // namespace orv
