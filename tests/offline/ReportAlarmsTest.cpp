#include "offline/ReportAlarms.h"

#include "core/DewPoint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <variant>

namespace orv {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr double kStart = 45292.0; // 2024-01-01 00:00
constexpr double kMinute = 1.0 / 1440;

AlarmRule rule(const char* text) {
    auto r = parseAlarmRule(text);
    EXPECT_TRUE(std::holds_alternative<AlarmRule>(r)) << text;
    return std::get<AlarmRule>(r);
}

LogData logOf(char unit, bool dewPoint, const std::vector<float>& t, const std::vector<float>& rh) {
    LogHeader h;
    h.recordCount = static_cast<std::int32_t>(t.size());
    h.startTime = kStart;
    h.interval = 60.0F;
    h.tempUnitCode = unit;
    h.ch2UnitCode = dewPoint ? unit : '%';
    auto display = [unit](double c) {
        return static_cast<float>(unit == 'F' ? c * 1.8 + 32 : unit == 'K' ? c + 273.15 : c);
    };
    std::vector<float> temp, ch2;
    for (std::size_t k = 0; k < t.size(); ++k) {
        float humidity = rh[k];
        temp.push_back(std::isnan(t[k]) ? kNaN : display(t[k]));
        ch2.push_back(!dewPoint          ? rh[k]
                      : std::isnan(t[k]) ? kNaN
                                         : display(DewPoint(t[k], humidity)));
    }
    return LogData(h, temp, ch2);
}

struct Span {
    int start;
    int end; // -1: still on after the last record
};

TEST(ReportAlarms, RulesRunOverTheRecordsOfEveryKindOfFile) {
    // 20 °C throughout; the humidity climbs to 95 % (margin about 0.8 K) in minutes 3..5, and
    // minutes 8..9 hold no value.
    const std::vector<float> t = {20, 20, 20, 20, 20, 20, 20, 20, kNaN, kNaN, 20, 20};
    const std::vector<float> rh = {50, 60, 80, 95, 95, 95, 60, 50, kNaN, kNaN, 50, 96};
    struct Case {
        const char* rule;
        std::vector<Span> spans;
    };
    const Case cases[] = {
        {"margin<2", {{3, 6}, {11, -1}}},
        {"humidity>90 for 120s", {{5, 6}}}, // the condition must hold two minutes
        {"humidity>70 hyst 15",
         {{2, 7}, {11, -1}}},   // ends only at 55 % or below; a gap ends nothing
        {"silence", {{8, 10}}}, // the gap in the records
        {"temperature>25 °C", {}},
    };
    for (const char unit : {'C', 'F', 'K'}) {
        for (const bool dewPoint : {false, true}) {
            const LogData log = logOf(unit, dewPoint, t, rh);
            for (const Case& c : cases) {
                SCOPED_TRACE(std::string(c.rule) + " " + unit + (dewPoint ? " dew point" : ""));
                const auto got = evaluateAlarmRules(log, 0, log.size(), {rule(c.rule)});
                ASSERT_EQ(got.size(), c.spans.size());
                for (std::size_t i = 0; i < got.size(); ++i) {
                    EXPECT_EQ(got[i].rule, c.rule);
                    EXPECT_NEAR(got[i].start, kStart + c.spans[i].start * kMinute, 1e-9);
                    if (c.spans[i].end < 0) {
                        EXPECT_FALSE(got[i].end);
                    } else {
                        ASSERT_TRUE(got[i].end);
                        EXPECT_NEAR(*got[i].end, kStart + c.spans[i].end * kMinute, 1e-9);
                    }
                }
            }
        }
    }
    // A limit without a unit is in the file's unit: 68 °F is 20 °C.
    const LogData fahrenheit = logOf('F', false, t, rh);
    const auto warm = evaluateAlarmRules(fahrenheit, 0, 12, {rule("temperature>=68")});
    ASSERT_EQ(warm.size(), 1U);
    EXPECT_FALSE(warm[0].end) << "the gap in the records neither starts nor ends it";
    EXPECT_TRUE(evaluateAlarmRules(fahrenheit, 0, 12, {rule("temperature>=21 °C")}).empty());
    // Only the records asked for count.
    EXPECT_TRUE(evaluateAlarmRules(logOf('C', false, t, rh), 6, 5, {rule("margin<2")}).empty());
}

TEST(ReportAlarms, RowsForTheIntervalsThatTouchTheRecords) {
    const LogData log =
        logOf('C', false, std::vector<float>(10, 20.0F), std::vector<float>(10, 50.0F));
    const std::vector<AlarmInterval> intervals = {
        {"a", kStart - 5 * kMinute, kStart - 1 * kMinute, 1.0},   // before
        {"b", kStart - 5 * kMinute, kStart + 2 * kMinute, 1.26},  // into the records
        {"c", kStart + 9 * kMinute, std::nullopt, std::nullopt},  // on at the end, silence
        {"d", kStart + 20 * kMinute, kStart + 21 * kMinute, 3.0}, // after
    };
    const auto rows = reportAlarms(intervals, log, 0, 10, GermanFormat());
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].rule, "b");
    EXPECT_EQ(rows[0].value, "1,3");
    EXPECT_EQ(rows[1].rule, "c");
    EXPECT_EQ(rows[1].value, "");
    EXPECT_FALSE(rows[1].end);
    const auto middle = reportAlarms(intervals, log, 2, 5, GermanFormat()); // records 2..6
    ASSERT_EQ(middle.size(), 1U);
    EXPECT_EQ(middle[0].rule, "b");
    EXPECT_TRUE(reportAlarms(intervals, log, 0, 0, GermanFormat()).empty());
}

} // namespace
} // namespace orv
