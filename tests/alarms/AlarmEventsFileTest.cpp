#include "alarms/AlarmEventsFile.h"

#include "core/DayNumber.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

double day(int h, int m, int s) {
    return fromCivil(CivilTime{2026, 12, 7, h, m, s});
}

TEST(AlarmEventsPath, SitsBesideTheLog) {
    EXPECT_EQ(alarmEventsPathFor("/data/room.dat"), "/data/room.events.csv");
    EXPECT_EQ(alarmEventsPathFor("/data/ROOM.DAT"), "/data/ROOM.events.csv");
    EXPECT_EQ(alarmEventsPathFor("/data/room.log"), "/data/room.log.events.csv");
}

TEST(AlarmEventRows, CarryIsoTimeWithOffsetRuleValueAndEvent) {
    const AlarmEvent humid{day(14, 3, 5), 0, "humidity>70 for 60s", 71.249, true};
    EXPECT_EQ(alarmEventRow(humid, 3600),
              "2026-12-07T14:03:05+01:00,humidity>70 for 60s,71.25,start\n");
    const AlarmEvent comma{day(0, 0, 0), 1, "feuchte>70,5 \"x\"", -0.001, false};
    EXPECT_EQ(alarmEventRow(comma, -(3 * 3600 + 30 * 60)),
              "2026-12-07T00:00:00-03:30,\"feuchte>70,5 \"\"x\"\"\",0.00,end\n");
    const AlarmEvent quiet{day(23, 59, 59), 2, "silence", std::nullopt, true};
    EXPECT_EQ(alarmEventRow(quiet, 0), "2026-12-07T23:59:59+00:00,silence,,start\n");
}

TEST(AlarmEventsFile, WrittenEventsReadBackAsIntervals) {
    test::TempDir dir;
    const auto log = dir.file("room.dat");
    {
        AlarmEventsWriter w([](double) { return 3600; });
        ASSERT_TRUE(w.create(alarmEventsPathFor(log))) << w.lastError();
        ASSERT_TRUE(w.append({day(10, 0, 0), 0, "humidity>70", 71.5, true}));
        ASSERT_TRUE(w.append({day(10, 0, 30), 1, "margin<2, hyst 1", 1.5, true}));
        ASSERT_TRUE(w.append({day(10, 5, 0), 0, "humidity>70", 69.0, false}));
        ASSERT_TRUE(w.append({day(10, 6, 0), 2, "silence", std::nullopt, true}));
        // Written rows are on disk before the writer closes.
        EXPECT_EQ(parseAlarmEvents(test::readFile(alarmEventsPathFor(log))).rows.size(), 4u);
    }
    const std::string text = test::readFile(alarmEventsPathFor(log));
    EXPECT_TRUE(text.starts_with("time,rule,value,event\n"));

    const auto intervals = loadAlarmIntervals(log);
    ASSERT_TRUE(intervals.has_value());
    ASSERT_EQ(intervals->size(), 3u);
    EXPECT_EQ((*intervals)[0].rule, "humidity>70");
    EXPECT_DOUBLE_EQ((*intervals)[0].start, day(10, 0, 0));
    EXPECT_DOUBLE_EQ((*intervals)[0].end.value(), day(10, 5, 0));
    EXPECT_DOUBLE_EQ((*intervals)[0].value.value(), 71.5);
    EXPECT_EQ((*intervals)[1].rule, "margin<2, hyst 1");
    EXPECT_FALSE((*intervals)[1].end.has_value());
    EXPECT_EQ((*intervals)[2].rule, "silence");
    EXPECT_FALSE((*intervals)[2].value.has_value());

    EXPECT_FALSE(loadAlarmIntervals(dir.file("other.dat")).has_value());
}

TEST(AlarmEventsFile, CreateRefusesAMissingFolder) {
    test::TempDir dir;
    AlarmEventsWriter w;
    EXPECT_FALSE(w.create(dir.file("no/such/room.events.csv")));
    EXPECT_NE(w.lastError().find("room.events.csv"), std::string::npos);
    EXPECT_FALSE(w.append({day(1, 0, 0), 0, "silence", std::nullopt, true}));
}

struct ReadCase {
    const char* name;
    const char* text;
    std::size_t rows;
    std::size_t problems;
};

class Reading : public testing::TestWithParam<ReadCase> {};

TEST_P(Reading, KeepsGoodRowsAndReportsBadOnes) {
    const AlarmEventsText t = parseAlarmEvents(GetParam().text);
    EXPECT_EQ(t.rows.size(), GetParam().rows);
    EXPECT_EQ(t.problems.size(), GetParam().problems);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Reading,
    testing::Values(
        ReadCase{"HeaderOnly", "time,rule,value,event\n", 0, 0},
        ReadCase{"CrLfAndNoOffset",
                 "time,rule,value,event\r\n2026-12-07T10:00:00,a<1,0.5,start\r\n", 1, 0},
        ReadCase{"UtcZone", "2026-12-07T10:00:00Z,a<1,0.5,end\n", 1, 0},
        ReadCase{"LastLineCutShortInTheEvent",
                 "time,rule,value,event\n2026-12-07T10:00:00+01:00,a<1,0.5,start\n"
                 "2026-12-07T10:01:00+01:00,a<1,0.7,en",
                 1, 0},
        ReadCase{"LastLineCutShortInTheTime",
                 "time,rule,value,event\n2026-12-07T10:00:00+01:00,a<1,0.5,start\n2026-12-0", 1, 0},
        ReadCase{"LastLineCompleteWithoutLineEnd", "2026-12-07T10:00:00+01:00,silence,,start", 1,
                 0},
        ReadCase{"BadRowsInTheMiddleAreReported",
                 "time,rule,value,event\n2026-13-07T10:00:00,a<1,0.5,start\n"
                 "2026-12-07T10:00:00,a<1,x,start\n2026-12-07T10:00:00,a<1,1,begin\n"
                 "2026-12-07T10:00:00,\"a<1,1,start\n2026-12-07T10:00:00,a<1,1,start\n",
                 1, 4}),
    [](const testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

TEST(AlarmIntervals, PairEachRulesStartWithItsNextEnd) {
    const double t0 = day(8, 0, 0);
    const double s = 1.0 / 86400.0;
    const std::vector<AlarmEventRow>
        rows{
            {t0, "b", 1.0, false}, // an end without a start is dropped
            {t0 + 1 * s, "a", 5.0, true},  {t0 + 2 * s, "b", 2.0, true},
            {t0 + 3 * s, "a", 4.0, false}, {t0 + 4 * s, "a", 6.0, true},
            {t0 + 5 * s, "b", 3.0, true}, // b started again: its first end was never written
            {t0 + 6 * s, "b", 0.0, false},
        };
    const std::vector<AlarmInterval> got = alarmIntervals(rows);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].rule, "a");
    EXPECT_DOUBLE_EQ(got[0].endOr(0), t0 + 3 * s);
    EXPECT_EQ(got[1].rule, "b");
    EXPECT_FALSE(got[1].end.has_value());
    EXPECT_EQ(got[2].rule, "a");
    EXPECT_FALSE(got[2].end.has_value());
    EXPECT_DOUBLE_EQ(got[2].endOr(t0 + 99 * s), t0 + 99 * s);
    EXPECT_EQ(got[3].rule, "b");
    EXPECT_DOUBLE_EQ(got[3].end.value(), t0 + 6 * s);
    EXPECT_DOUBLE_EQ(got[3].value.value(), 3.0);
}

TEST(AlarmListRows, ShowStartRuleValueAndDurationInTheLocale) {
    const std::vector<AlarmInterval> intervals{
        {"margin<2", day(9, 5, 0), day(9, 10, 12), 1.84},
        {"silence", day(10, 0, 0), day(10, 0, 0) + 1.0 + 7200.0 / 86400.0, std::nullopt},
        {"humidity>70", day(23, 0, 0), std::nullopt, 70.25},
    };
    const GermanFormat de;
    const std::vector<AlarmListRow> rows = alarmListRows(intervals, de, "bis Aufzeichnungsende");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].start, "07.12.2026 09:05:00");
    EXPECT_EQ(rows[0].value, "1,8");
    EXPECT_EQ(rows[0].duration, "0:05:12");
    EXPECT_EQ(rows[1].value, "");
    EXPECT_EQ(rows[1].duration, "1 d 2:00:00");
    EXPECT_EQ(rows[2].duration, "bis Aufzeichnungsende");
    const EnglishFormat en;
    EXPECT_EQ(alarmListRows(intervals, en, "")[2].start, "12/7/2026 11:00:00 PM");
}

TEST(AlarmEventsTime, SystemOffsetFollowsTheTimeZone) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    EXPECT_EQ(systemUtcOffsetSeconds(day(12, 0, 0)), 3600);
    EXPECT_EQ(systemUtcOffsetSeconds(fromCivil(CivilTime{2026, 7, 1, 12, 0, 0})), 7200);
    unsetenv("TZ");
    tzset();
}

} // namespace
} // namespace orv
