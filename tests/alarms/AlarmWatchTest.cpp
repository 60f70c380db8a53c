#include "alarms/AlarmWatch.h"

#include "core/CoreFakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

std::vector<AlarmRule> rulesOf(std::initializer_list<const char*> texts) {
    std::vector<AlarmRule> rules;
    for (const char* t : texts) {
        rules.push_back(std::get<AlarmRule>(parseAlarmRule(t)));
    }
    return rules;
}

// The watch fed the way the main window feeds it: after every sample the measurement stores.
struct WatchRig {
    test::MeasurementRig rig;
    AlarmWatch watch{{}, [](double) {
                         return 3600;
                     }};
    std::vector<std::string> seen; // "rule start|end value"

    void take(const std::vector<AlarmEvent>& events) {
        for (const AlarmEvent& e : events) {
            seen.push_back(e.ruleText + (e.start ? " start " : " end ") +
                           (e.value ? std::to_string(std::lround(*e.value * 10)) : "-"));
        }
    }
    void frame(std::string_view temp, std::string_view hum) {
        rig.clock.advanceSeconds(1);
        const int before = rig.seen.samplesStored;
        ASSERT_EQ(rig.m.ParseFrame(test::fFrame(temp, hum)), FrameStatus::Good);
        ASSERT_EQ(rig.seen.samplesStored, before + 1);
        take(watch.sampleStored(rig.m, rig.clock.now()));
    }
    void timeoutTick() {
        rig.clock.advanceSeconds(7);
        const int before = rig.seen.samplesStored;
        rig.m.tmrTimeout_Timer();
        if (rig.seen.samplesStored > before) {
            take(watch.sampleStored(rig.m, rig.clock.now()));
        }
    }
};

TEST(AlarmWatch, FollowsTheMeasurementAndWritesTheRecordingsEventsFile) {
    test::TempDir dir;
    const std::string log = dir.file("cellar.dat").string();
    WatchRig w;
    w.rig.m.settings().unit = TempUnit::Fahrenheit;
    (void)w.watch.setRules(rulesOf({"margin<2", "temperature>70", "silence"}), w.rig.clock.now());

    w.frame("+020.00", "095.00"); // dew point 19.2 °C: 0.8 K from condensing
    ASSERT_TRUE(w.watch.followRecording(log, 1.0)) << w.watch.lastError();
    w.frame("   A03 ", "095.00"); // no temperature: the margin alarm stays on
    w.timeoutTick();
    w.timeoutTick();
    w.timeoutTick();              // the third silent tick blanks the values
    w.timeoutTick();              // still silent: no second start
    w.frame("+022.00", "040.00"); // 71.6 °F, dew point 7.7 °C
    EXPECT_TRUE(w.watch.evaluator().anyActive(AlarmQuantity::Temperature));
    w.take(w.watch.setRules({}, w.rig.clock.now()));
    EXPECT_FALSE(w.watch.writing());

    EXPECT_EQ(w.seen, (std::vector<std::string>{"margin<2 start 8", "silence start -",
                                                "margin<2 end 143", "temperature>70 start 716",
                                                "silence end -", "temperature>70 end -"}));
    const auto intervals = loadAlarmIntervals(log);
    ASSERT_TRUE(intervals.has_value());
    ASSERT_EQ(intervals->size(), 3u);
    // The margin alarm began before the recording: the new file starts with it.
    EXPECT_EQ((*intervals)[0].rule, "margin<2");
    EXPECT_TRUE((*intervals)[0].end.has_value());
    EXPECT_EQ((*intervals)[1].rule, "silence");
    EXPECT_EQ((*intervals)[2].rule, "temperature>70");
    EXPECT_TRUE((*intervals)[2].end.has_value());
}

TEST(AlarmWatch, ANewRecordingOnTheSameFileStartsAFreshEventsFile) {
    test::TempDir dir;
    const std::string log = dir.file("room.dat").string();
    WatchRig w;
    (void)w.watch.setRules(rulesOf({"humidity>70"}), w.rig.clock.now());
    ASSERT_TRUE(w.watch.followRecording(log, 1.0));
    w.frame("+020.00", "080.00");
    w.frame("+020.00", "050.00");
    ASSERT_EQ(loadAlarmIntervals(log)->size(), 1u);
    w.frame("+020.00", "080.00");
    // Rules taken away and given back within the recording continue its file.
    (void)w.watch.setRules({}, w.rig.clock.now());
    (void)w.watch.setRules(rulesOf({"humidity>70"}), w.rig.clock.now());
    ASSERT_TRUE(w.watch.followRecording(log, 1.0));
    w.frame("+020.00", "080.00");
    ASSERT_EQ(loadAlarmIntervals(log)->size(), 3u);
    ASSERT_TRUE(w.watch.followRecording(log, 2.0));
    const auto fresh = loadAlarmIntervals(log);
    ASSERT_EQ(fresh->size(), 1u);
    EXPECT_FALSE((*fresh)[0].end.has_value());
    ASSERT_TRUE(w.watch.followRecording("", 0.0));
    EXPECT_FALSE(w.watch.writing());
}

TEST(AlarmWatch, WithoutRulesNothingIsWatchedOrWritten) {
    test::TempDir dir;
    WatchRig w;
    ASSERT_TRUE(w.watch.followRecording(dir.file("room.dat").string(), 1.0));
    w.frame("+020.00", "099.00");
    EXPECT_TRUE(w.seen.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("room.events.csv")));
}

TEST(AlarmWatch, AnEventsFileThatCannotBeCreatedIsReported) {
    test::TempDir dir;
    WatchRig w;
    (void)w.watch.setRules(rulesOf({"humidity>70"}), w.rig.clock.now());
    EXPECT_FALSE(w.watch.followRecording(dir.file("gone/room.dat").string(), 1.0));
    EXPECT_NE(w.watch.lastError().find("room.events.csv"), std::string::npos);
    w.frame("+020.00", "080.00"); // the alarm still works without its file
    EXPECT_EQ(w.seen.size(), 1u);
}

} // namespace
} // namespace orv
