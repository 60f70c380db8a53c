// orv-tool record as an unattended service: its config file, rotation at midnight on a clock the
// test moves, a restart that goes on in a fresh file on the same grid, an event log for the
// journal, and a serial adapter replugged under its stable name. (The installed systemd units
// are checked with the install tree, tests/install/check-install.)
#include "ToolTestSupport.h"

#include "offline/LogTestData.h"

#include "core/DayNumber.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>

namespace orv {
namespace {

using namespace std::chrono_literals;

double at(int y, int mo, int d, int h, int mi, int s) {
    return fromCivil({y, mo, d, h, mi, s});
}

constexpr double kSameTime = 1e-3 / 86400.0;

TEST(OrvToolRecordService, TheConfigFileGivesWhatTheCommandLineDoesNot) {
    const test::Simulator sim({"--rate", "20", "--temp", "21", "--rh", "50"});
    ASSERT_FALSE(sim.address.empty());
    test::TempDir dir;
    const auto conf = dir.file("hall.conf");
    test::writeFile(conf, "# the hall sensor\n"
                          "\n"
                          "  tcp = " +
                              test::closedLoopbackAddress() +
                              "\n"
                              "interval=3600\n"
                              "unit = K\n"
                              "channel2 = dewpoint   \n"
                              "output = " +
                              dir.file("hall.dat").string() + "\n");
    test::writeFile(dir.file("hall.dat"), "an older file of that name");
    const test::Run r = test::runTool({"record", "--config", conf.string(), "--tcp", sim.address,
                                       "--interval=5", "--duration", "6", "--unit", "F"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readFile(dir.file("hall.dat")), "an older file of that name");
    const LogData log = test::loadOrFail(dir.file("hall-2.dat"));
    EXPECT_EQ(log.size(), 2);
    EXPECT_EQ(log.header().interval, 5.0f);    // command line
    EXPECT_EQ(log.header().tempUnitCode, 'F'); // command line
    EXPECT_EQ(log.header().ch2UnitCode, 'F');  // file: dew point
    EXPECT_EQ(test::recordLines(r.err), 2);
}

TEST(OrvToolRecordService, RefusesABadConfigFileByLine) {
    test::TempDir dir;
    const std::string closed = test::closedLoopbackAddress();
    const std::string out = dir.file("r.dat").string();
    const auto conf = [&](const std::string& name, const std::string& text) {
        test::writeFile(dir.file(name), text);
        return dir.file(name).string();
    };
    const std::string head = "tcp = " + closed + "\n# comment\noutput = " + out + "\n";
    const std::string badInterval = conf("a.conf", head + "interval = 4\n");
    const std::string unknown = conf("b.conf", head + "colour = red\n");
    const std::string noEquals = conf("c.conf", "interval 60\n");
    const std::string empty = conf("d.conf", "interval =\n");
    const std::string twoSensors = conf("e.conf", "tcp = " + closed + "\nserial = /dev/null\n");
    const std::string rotate = conf("f.conf", head + "interval = 5\nrotate = hourly\n");
    const std::string nested = conf("g.conf", "config = a.conf\n");
    const std::string trailing = conf("h.conf", "interval = 60 # a minute\n");
    const std::string good = conf("i.conf", head + "interval = 5\n");
    const std::string missing = dir.file("none.conf").string();
    // clang-format off
    const std::vector<test::Refusal> cases = {
        {{"--config", badInterval}, 2,
         badInterval + ":4: --interval wants whole seconds from 5 to 3600, not '4'"},
        // a bad line is refused even where the command line overrides it
        {{"--config", badInterval, "--interval", "5"}, 2,
         badInterval + ":4: --interval wants whole seconds from 5 to 3600, not '4'"},
        {{"--config", unknown, "--interval", "5"}, 2, unknown + ":4: unknown setting 'colour'"},
        {{"--config", noEquals}, 2,
         noEquals + ":1: 'interval 60' is no setting, which is written NAME = VALUE"},
        {{"--config", empty}, 2, empty + ":1: interval needs a value"},
        {{"--config", twoSensors}, 2,
         twoSensors + ":2: record takes one sensor, --serial is a second one"},
        {{"--config", rotate}, 2,
         rotate + ":5: --rotate wants daily, weekly or monthly, not 'hourly'"},
        {{"--config", nested}, 2, nested + ":1: unknown setting 'config'"},
        {{"--config", trailing}, 2,
         trailing + ":1: --interval wants whole seconds from 5 to 3600, not '60 # a minute'"},
        {{"--config", missing}, 2,
         "cannot read the config file " + missing + ": No such file or directory"},
        {{"--config", dir.path().string()}, 2,
         "cannot read the config file " + dir.path().string() + ": it is a folder"},
        {{"--config", good, "--config", good}, 2, "record takes one --config file"},
        {{"--config", good, "--log", "all"}, 2, "--log wants records or events, not 'all'"},
        {{"--config", good, "--rotate", "yearly"}, 2,
         "--rotate wants daily, weekly or monthly, not 'yearly'"},
        // complete and good: it fails only at the sensor
        {{"--config", good}, 1, "cannot connect to " + closed + ": Connection refused"},
    };
    // clang-format on
    test::expectRefusals({ORV_TOOL_PATH, "record"}, cases, "orv-tool: ", true);
    EXPECT_FALSE(std::filesystem::exists(out));
}

// Midnight on the test clock: the day's file ends with the slot before it and the next day's
// file starts on the grid. A restart a little later goes on in a fresh file of that day on the
// same grid, and with the journal's variable set it tells events only.
TEST(OrvToolRecordService, RotatesAtMidnightAndResumesOnTheGrid) {
    const test::Simulator sim({"--rate", "20", "--temp", "21", "--rh", "50"});
    ASSERT_FALSE(sim.address.empty());
    test::TempDir dir;
    const test::ClockFile clock(dir);
    const std::string base = dir.file("hall.dat").string();
    const std::string day1 = dir.file("hall-2026-12-07.dat").string();
    const std::string day2 = dir.file("hall-2026-12-08.dat").string();
    const std::string day2b = dir.file("hall-2026-12-08-2.dat").string();
    clock.set("2026-12-07T23:59:50");
    {
        test::Process tool({ORV_TOOL_PATH, "record", "--tcp", sim.address, "--interval", "5", "-o",
                            base, "--rotate", "daily"});
        ASSERT_TRUE(test::waitForRecords(tool, 1)) << tool.err();
        int expected = 1;
        for (const char* time :
             {"2026-12-07T23:59:55", "2026-12-08T00:00:00", "2026-12-08T00:00:05"}) {
            clock.set(time);
            ASSERT_TRUE(test::waitForRecords(tool, ++expected)) << time << "\n" << tool.err();
        }
        tool.signal(SIGTERM);
        ASSERT_EQ(tool.wait(5s), 0) << tool.err();
        EXPECT_EQ(test::recordLines(tool.err()), 4) << tool.err();
        EXPECT_PRED2(test::contains, tool.err(),
                     "file " + day1 + " closed with 2 records; the recording goes on in " + day2 +
                         "\n");
        EXPECT_PRED2(test::contains, tool.err(), "recording ended: 2 records in " + day2 + "\n");
    }
    const LogData first = test::loadOrFail(day1);
    const LogData second = test::loadOrFail(day2);
    EXPECT_EQ(first.size(), 2);
    EXPECT_EQ(second.size(), 2);
    EXPECT_NEAR(first.header().startTime, at(2026, 12, 7, 23, 59, 50), kSameTime);
    EXPECT_NEAR(second.header().startTime, at(2026, 12, 8, 0, 0, 0), kSameTime);
    for (const LogData* log : {&first, &second}) {
        for (std::int64_t k = 0; k < log->size(); ++k) {
            EXPECT_EQ(log->value(Channel::Temperature, k), 21.0f) << k;
        }
    }
    const std::string secondBytes = test::readFile(day2);

    clock.set("2026-12-08T00:00:12");
    // Started the way systemd starts it: JOURNAL_STREAM names the device and inode of stderr.
    test::Process tool({"sh", "-c",
                        "JOURNAL_STREAM=$(stat -L -c %d:%i /proc/self/fd/2) exec \"$0\" \"$@\"",
                        ORV_TOOL_PATH, "record", "--tcp", sim.address, "--interval", "5", "-o",
                        base, "--rotate", "daily"});
    ASSERT_TRUE(test::waitFor(tool, [](const std::string& err) {
        return test::contains(err, "waiting for the first frame");
    })) << tool.err();
    std::this_thread::sleep_for(500ms); // frames arrive, but the slot at 00:00:15 is not due yet
    EXPECT_FALSE(std::filesystem::exists(day2b)) << tool.err();
    clock.set("2026-12-08T00:00:15");
    ASSERT_TRUE(test::waitFor(tool, [](const std::string& err) {
        return test::contains(err, "first record at");
    })) << tool.err();
    tool.signal(SIGTERM);
    ASSERT_EQ(tool.wait(5s), 0) << tool.err();
    EXPECT_EQ(test::linesOf(tool.err()),
              (std::vector<std::string>{
                  "going on with the time grid of the earlier recording from 2026-12-08T00:00:00",
                  "recording " + sim.address + " into " + base +
                      " every 5 s; waiting for the first frame",
                  "first record at 2026-12-08T00:00:15 in " + day2b,
                  "recording ended: 1 records in " + day2b}));
    EXPECT_NEAR(test::loadOrFail(day2b).header().startTime, at(2026, 12, 8, 0, 0, 15), kSameTime);
    EXPECT_EQ(test::readFile(day2), secondBytes);
}

// An adapter under a stable name (the way /dev/serial/by-id/ names one) is unplugged and plugged
// back: the name now points at another device, and the recorder follows it.
TEST(OrvToolRecordService, FollowsASerialAdapterRepluggedUnderItsStableName) {
    if (!test::socatAvailable()) {
        GTEST_SKIP() << "socat is not installed";
    }
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("by-id"));
    const std::string stable = dir.file("by-id/usb-VisualORV_sensor-if00").string();
    const std::string simSide = dir.file("sim-side").string();
    const std::string file = dir.file("s.dat").string();
    const auto plugIn = [&] {
        auto socat = std::make_unique<test::Process>(std::vector<std::string>{
            "socat", "pty,raw,echo=0,link=" + stable, "pty,raw,echo=0,link=" + simSide});
        for (int i = 0;
             i < 500 && !(std::filesystem::exists(stable) && std::filesystem::exists(simSide));
             ++i) {
            std::this_thread::sleep_for(10ms);
        }
        auto sim = std::make_unique<test::Process>(
            std::vector<std::string>{ORV_SIM_PATH, "--serial", simSide, "--rate", "20"});
        return std::make_pair(std::move(socat), std::move(sim));
    };
    auto adapter = plugIn();
    const std::string firstDevice = std::filesystem::read_symlink(stable);
    // Held open, the first device keeps its number while unplugged, so the name must come back
    // on another one: a recorder that remembered where the name pointed would not find it.
    const int holdFirst = ::open(firstDevice.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(holdFirst, 0);
    test::Process tool(
        {ORV_TOOL_PATH, "record", "--serial", stable, "--interval", "5", "-o", file});
    ASSERT_TRUE(test::waitForRecords(tool, 1)) << tool.err();

    adapter.second.reset();
    adapter.first.reset(); // socat ends: the pty and its name are gone
    ASSERT_TRUE(test::waitFor(tool, [&](const std::string& err) {
        return test::contains(err, "link to " + stable + " lost");
    })) << tool.err();
    EXPECT_FALSE(std::filesystem::exists(stable));
    adapter = plugIn();
    EXPECT_NE(std::filesystem::read_symlink(stable).string(), firstDevice);
    ASSERT_TRUE(test::waitFor(tool, [&](const std::string& err) {
        return test::contains(err, "link to " + stable + " connected again");
    })) << tool.err();
    const int before = test::recordLines(tool.err());
    ASSERT_TRUE(test::waitForRecords(tool, before + 1)) << tool.err();
    tool.signal(SIGTERM);
    ASSERT_EQ(tool.wait(5s), 0) << tool.err();
    const LogData log = test::loadOrFail(file);
    EXPECT_EQ(log.size(), test::recordLines(tool.err()));
    EXPECT_FALSE(std::isnan(log.value(Channel::Temperature, log.size() - 1))) << tool.err();
    ::close(holdFirst);
}

} // namespace
} // namespace orv
