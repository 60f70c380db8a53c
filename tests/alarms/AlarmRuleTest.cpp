#include "alarms/AlarmRule.h"

#include "core/Texts.h"

#include <gtest/gtest.h>

#include <map>

namespace orv {
namespace {

struct GoodRule {
    const char* text;
    AlarmQuantity quantity;
    AlarmComparison comparison;
    double limit;
    AlarmUnit unit;
    double hysteresis;
    double hold;
};

class GoodRules : public testing::TestWithParam<GoodRule> {};

TEST_P(GoodRules, AreReadIntoTheirParts) {
    const GoodRule& g = GetParam();
    const auto parsed = parseAlarmRule(g.text);
    ASSERT_TRUE(std::holds_alternative<AlarmRule>(parsed))
        << alarmRuleErrorText(std::get<AlarmRuleError>(parsed));
    const AlarmRule& r = std::get<AlarmRule>(parsed);
    EXPECT_EQ(r.quantity, g.quantity);
    if (g.quantity != AlarmQuantity::Silence) {
        EXPECT_EQ(r.comparison, g.comparison);
        EXPECT_DOUBLE_EQ(r.limit, g.limit);
        EXPECT_EQ(r.unit, g.unit);
    }
    EXPECT_DOUBLE_EQ(r.hysteresis, g.hysteresis);
    EXPECT_DOUBLE_EQ(r.holdSeconds, g.hold);
}

using Q = AlarmQuantity;
using C = AlarmComparison;
using U = AlarmUnit;
INSTANTIATE_TEST_SUITE_P(
    Syntax, GoodRules,
    testing::Values(
        GoodRule{"humidity>70 for 60s", Q::Humidity, C::Above, 70, U::Percent, 0, 60},
        GoodRule{"margin<2", Q::Margin, C::Below, 2, U::KelvinDifference, 0, 0},
        GoodRule{"temperature<5 hyst 0.5", Q::Temperature, C::Below, 5, U::Display, 0.5, 0},
        GoodRule{"dewpoint>12", Q::DewPoint, C::Above, 12, U::Display, 0, 0},
        GoodRule{"  Humidity >= 70 %  for 2 min hyst 3 %", Q::Humidity, C::AtLeast, 70, U::Percent,
                 3, 120},
        GoodRule{"RH>70%rh", Q::Humidity, C::Above, 70, U::Percent, 0, 0},
        GoodRule{"dew point <= -3,5 °C", Q::DewPoint, C::AtMost, -3.5, U::Celsius, 0, 0},
        GoodRule{"t>41F hyst 1 °F for 1h", Q::Temperature, C::Above, 41, U::Fahrenheit, 1, 3600},
        GoodRule{"temp<280 K", Q::Temperature, C::Below, 280, U::Kelvin, 0, 0},
        GoodRule{"margin<2K hyst 0.5 K", Q::Margin, C::Below, 2, U::KelvinDifference, 0.5, 0},
        GoodRule{"Taupunkt>12 für 30 s", Q::DewPoint, C::Above, 12, U::Display, 0, 30},
        GoodRule{"feuchte>70,5", Q::Humidity, C::Above, 70.5, U::Percent, 0, 0},
        GoodRule{"silence", Q::Silence, C::Above, 0, U::Display, 0, 0},
        GoodRule{"silence for 90", Q::Silence, C::Above, 0, U::Display, 0, 90}));

struct BadRule {
    const char* text;
    AlarmRuleProblem problem;
    const char* near;
};

class BadRules : public testing::TestWithParam<BadRule> {};

TEST_P(BadRules, AreRefusedNamingTheRuleAndTheSpot) {
    const BadRule& b = GetParam();
    const auto parsed = parseAlarmRule(b.text);
    ASSERT_TRUE(std::holds_alternative<AlarmRuleError>(parsed)) << b.text;
    const AlarmRuleError& e = std::get<AlarmRuleError>(parsed);
    EXPECT_EQ(e.problem, b.problem) << alarmRuleErrorText(e);
    EXPECT_EQ(e.near, b.near);
}

using P = AlarmRuleProblem;
INSTANTIATE_TEST_SUITE_P(
    Syntax, BadRules,
    testing::Values(
        BadRule{"   ", P::Empty, ""}, BadRule{"pressure>1000", P::UnknownQuantity, "pressure>1000"},
        BadRule{"humidity 70", P::MissingComparison, "70"},
        BadRule{"humidity=70", P::MissingComparison, "=70"},
        BadRule{"humidity>>70", P::BadLimit, ">70"}, BadRule{"humidity>", P::BadLimit, ""},
        BadRule{"humidity>70 °C", P::BadUnit, "°C"}, BadRule{"temperature>20%", P::BadUnit, "%"},
        BadRule{"margin<2 °F", P::BadUnit, "°F"},
        BadRule{"temperature>20 °C hyst 1 F", P::BadUnit, "F"},
        BadRule{"humidity>70 for", P::BadHoldTime, ""},
        BadRule{"humidity>70 for -5s", P::BadHoldTime, "-5s"},
        BadRule{"humidity>70 hyst -1", P::BadHysteresis, "-1"},
        BadRule{"humidity>70 hyst", P::BadHysteresis, ""},
        BadRule{"humidity>70 for 60s for 10s", P::UnexpectedText, "for 10s"},
        BadRule{"humidity>70 or so", P::UnexpectedText, "or so"},
        BadRule{"silence hyst 1", P::UnexpectedText, "hyst 1"}));

class FixedTexts final : public Texts {
public:
    explicit FixedTexts(std::map<int, std::string> t) : t_(std::move(t)) {}
    [[nodiscard]] std::optional<std::string> text(int id) const override {
        const auto it = t_.find(id);
        return it == t_.end() ? std::nullopt : std::optional(it->second);
    }

private:
    std::map<int, std::string> t_;
};

TEST(AlarmRuleErrorText, NamesTheRuleTheReasonAndTheSpotInTheTableLanguage) {
    const auto e = std::get<AlarmRuleError>(parseAlarmRule("humidity>>70"));
    EXPECT_EQ(alarmRuleErrorText(e), "'humidity>>70': limit missing or not a number ('>70')");
    const FixedTexts german({{363, "Grenzwert fehlt"}});
    EXPECT_EQ(alarmRuleErrorText(e, &german), "'humidity>>70': Grenzwert fehlt ('>70')");
}

TEST(AlarmRuleUnits, UnwrittenTemperatureUnitsFollowTheDisplay) {
    const AlarmRule plain = std::get<AlarmRule>(parseAlarmRule("temperature>20"));
    const AlarmRule fahrenheit = std::get<AlarmRule>(parseAlarmRule("temperature>68 F"));
    EXPECT_EQ(effectiveUnit(plain, TempUnit::Celsius), AlarmUnit::Celsius);
    EXPECT_EQ(effectiveUnit(plain, TempUnit::Kelvin), AlarmUnit::Kelvin);
    EXPECT_EQ(effectiveUnit(plain, TempUnit::None), AlarmUnit::Celsius);
    EXPECT_EQ(effectiveUnit(fahrenheit, TempUnit::Kelvin), AlarmUnit::Fahrenheit);
    EXPECT_DOUBLE_EQ(fromCelsius(20, AlarmUnit::Fahrenheit), 68);
    EXPECT_DOUBLE_EQ(fromCelsius(20, AlarmUnit::Kelvin), 293.15);
}

} // namespace
} // namespace orv
