// orv-tool record with alarm rules against a simulated sensor whose humidity crosses a limit.
#include "ToolTestSupport.h"

#include "alarms/AlarmEventsFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

namespace orv {
namespace {

using namespace std::chrono_literals;

// 20 °C throughout; the humidity climbs to 92 % (1.3 K from condensing on a 20 °C surface,
// past the 85 % limit) for two seconds, then falls to 70 %.
std::string crossingScript() {
    std::string s = "# temperature humidity, four frames a second\n";
    for (int i = 0; i < 4; ++i) {
        s += "20.0 80.0\n";
    }
    for (int i = 0; i < 8; ++i) {
        s += "20.0 92.0\n";
    }
    for (int i = 0; i < 40; ++i) {
        s += "20.0 70.0\n";
    }
    return s;
}

TEST(OrvToolRecordAlarms, EachStartAndEndGoesToStderrAndTheEventsFile) {
    test::TempDir dir;
    test::writeFile(dir.file("crossing.txt"), crossingScript());
    const test::Simulator sim({"--script", dir.file("crossing.txt").string(), "--rate", "4"});
    ASSERT_FALSE(sim.address.empty());
    const std::string log = dir.file("cellar.dat").string();
    const test::Run r = test::runTool({"record", "--tcp", sim.address, "--interval", "5", "-o", log,
                                       "--duration", "6", "--alarm", "margin<2", "--alarm",
                                       "humidity>85 for 1s hyst 5", "--alarm", "temperature>25"});
    ASSERT_EQ(r.status, 0) << r.err;

    const std::string iso = "20[0-9]{2}-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-5][0-9]"
                            "[+-][0-9]{2}:[0-9]{2}";
    const std::vector<std::string> expected = {
        "alarm start " + iso + " 1\\.34 margin<2",
        "alarm start " + iso + " 92\\.00 humidity>85 for 1s hyst 5",
        "alarm end " + iso + " 5\\.66 margin<2",
        "alarm end " + iso + " 70\\.00 humidity>85 for 1s hyst 5",
    };
    std::vector<std::string> alarmLines;
    for (const std::string& line : test::linesOf(r.err)) {
        if (line.starts_with("alarm ")) {
            alarmLines.push_back(line);
        }
    }
    ASSERT_EQ(alarmLines.size(), expected.size()) << r.err;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(std::regex_match(alarmLines[i], std::regex(expected[i]))) << alarmLines[i];
    }

    const std::string text = test::readFile(dir.file("cellar.events.csv"));
    const std::vector<std::string> rows = test::linesOf(text);
    ASSERT_EQ(rows.size(), 5u) << text;
    EXPECT_EQ(rows[0], "time,rule,value,event");
    const std::vector<std::string> rowPatterns = {
        iso + ",margin<2,1\\.34,start",
        iso + ",humidity>85 for 1s hyst 5,92\\.00,start",
        iso + ",margin<2,5\\.66,end",
        iso + ",humidity>85 for 1s hyst 5,70\\.00,end",
    };
    for (std::size_t i = 0; i < rowPatterns.size(); ++i) {
        EXPECT_TRUE(std::regex_match(rows[i + 1], std::regex(rowPatterns[i]))) << rows[i + 1];
    }
    // The stderr line and the row of one event carry the same time.
    EXPECT_EQ(alarmLines[0].substr(12, 25), rows[1].substr(0, 25));

    const auto intervals = loadAlarmIntervals(log);
    ASSERT_TRUE(intervals.has_value());
    ASSERT_EQ(intervals->size(), 2u);
    for (const AlarmInterval& a : *intervals) {
        ASSERT_TRUE(a.end.has_value()) << a.rule;
        const double seconds = (*a.end - a.start) * 86400.0;
        EXPECT_GT(seconds, 0.5) << a.rule;
        EXPECT_LT(seconds, 4.0) << a.rule;
    }
}

TEST(OrvToolRecordAlarms, ARotationStartsTheNextEventsFileWithTheAlarmsThatAreOn) {
    const test::Simulator sim({"--rate", "20", "--temp", "20", "--rh", "93"});
    ASSERT_FALSE(sim.address.empty());
    test::TempDir dir;
    const test::ClockFile clock(dir);
    clock.set("2026-12-07T23:59:50");
    // The rules come from the config file, one line each.
    test::writeFile(dir.file("cellar.conf"), "alarm = margin<2\nalarm = humidity>90 hyst 2\n");
    test::Process tool({ORV_TOOL_PATH, "record", "--config", dir.file("cellar.conf").string(),
                        "--tcp", sim.address, "--interval", "5", "-o",
                        dir.file("cellar.dat").string(), "--rotate", "daily"});
    ASSERT_TRUE(test::waitForRecords(tool, 1)) << tool.err();
    clock.set("2026-12-08T00:00:00");
    ASSERT_TRUE(test::waitForRecords(tool, 2)) << tool.err();
    tool.signal(SIGTERM);
    ASSERT_EQ(tool.wait(5s), 0) << tool.err();

    // Each alarm started once, and each day's events file holds both.
    const std::vector<std::string> lines = test::linesOf(tool.err());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("alarm "); }),
              2)
        << tool.err();
    for (const char* name : {"cellar-2026-12-07.events.csv", "cellar-2026-12-08.events.csv"}) {
        const std::vector<std::string> rows = test::linesOf(test::readFile(dir.file(name)));
        ASSERT_EQ(rows.size(), 3u) << name;
        EXPECT_TRUE(rows[1].starts_with("2026-12-07T23:59:5")) << rows[1];
        EXPECT_TRUE(rows[1].ends_with(",margin<2,1.17,start")) << rows[1];
        EXPECT_TRUE(rows[2].ends_with(",humidity>90 hyst 2,93.00,start")) << rows[2];
    }
}

TEST(OrvToolRecordAlarms, NoRulesNoEventsFile) {
    test::TempDir dir;
    const test::Simulator sim({"--rate", "10", "--temp", "20", "--rh", "99"});
    ASSERT_FALSE(sim.address.empty());
    const test::Run r = test::runTool({"record", "--tcp", sim.address, "--interval", "5", "-o",
                                       dir.file("plain.dat").string(), "--duration", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("plain.events.csv")));
    EXPECT_FALSE(test::contains(r.err, "alarm"));
}

} // namespace
} // namespace orv
