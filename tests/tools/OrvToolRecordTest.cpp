// orv-tool record against the simulated sensor: records on the grid, ends cleanly on a signal or
// after its duration, keeps every completed record when it is killed, and refuses what it cannot
// do with one line.
#include "ToolTestSupport.h"

#include "core/FrameChecksum.h"
#include "offline/LogTestData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

namespace orv {
namespace {

using namespace std::chrono_literals;

// A sensor at 20 Hz with steady values.
const std::vector<std::string> kSteady = {"--rate", "20", "--temp", "21", "--rh", "50"};

TEST(OrvToolRecord, RecordsTheSimulatorUntilTheDurationEnds) {
    const test::Simulator sim(kSteady);
    ASSERT_FALSE(sim.address.empty());
    test::TempDir dir;
    const std::string file = dir.file("f.dat").string();
    const test::Run r =
        test::runTool({"record", "--tcp", sim.address, "--interval", "5", "-o", file, "--unit", "F",
                       "--channel2", "dewpoint", "--duration", "6"});
    ASSERT_EQ(r.status, 0) << r.err;
    const LogData log = test::loadOrFail(file);
    ASSERT_EQ(log.size(), 2) << r.err;
    EXPECT_EQ(test::recordLines(r.err), 2) << r.err;
    EXPECT_EQ(log.header().interval, 5.0f);
    EXPECT_EQ(log.header().tempUnitCode, 'F');
    EXPECT_EQ(log.header().ch2UnitCode, 'F');
    EXPECT_EQ(log.header().text, "SIM00001");
    for (int k = 0; k < 2; ++k) {
        EXPECT_FLOAT_EQ(log.value(Channel::Temperature, k), 69.8f);
        EXPECT_NEAR(log.value(Channel::Channel2, k), 50.27f, 0.01f); // 10.15 °C
    }
    EXPECT_PRED2(test::contains, r.err, " 69.80 °F 50.27 °F\n");
    EXPECT_PRED2(test::contains, r.err, "recording ended: 2 records in " + file + "\n");
}

TEST(OrvToolRecord, SigtermAndSigintEndTheRecordingCleanly) {
    const test::Simulator sim(kSteady);
    ASSERT_FALSE(sim.address.empty());
    test::TempDir dir;
    for (const int sig : {SIGTERM, SIGINT}) {
        const std::string file = dir.file("s" + std::to_string(sig) + ".dat").string();
        test::Process tool(
            {ORV_TOOL_PATH, "record", "--tcp", sim.address, "--interval", "5", "-o", file});
        ASSERT_TRUE(test::waitForRecords(tool, 1)) << tool.err();
        tool.signal(sig);
        ASSERT_EQ(tool.wait(5s), 0) << tool.err();
        EXPECT_PRED2(test::contains, tool.err(), "recording ended: 1 records in " + file);
        EXPECT_EQ(test::loadOrFail(file).size(), 1);
    }
}

// Killed without warning at different moments of the grid: every record the tool reported is in
// the file, and the file loads.
TEST(OrvToolRecord, EveryCompletedRecordSurvivesSigkill) {
    const test::Simulator sim(kSteady);
    ASSERT_FALSE(sim.address.empty());
    test::TempDir dir;
    const struct {
        int recordsFirst;
        std::chrono::milliseconds thenWait;
    } kills[] = {{1, 0ms}, {1, 2600ms}, {2, 0ms}, {2, 40ms}};
    std::vector<std::unique_ptr<test::Process>> tools;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < std::size(kills); ++i) {
        files.push_back(dir.file("k" + std::to_string(i) + ".dat").string());
        tools.push_back(std::make_unique<test::Process>(std::vector<std::string>{
            ORV_TOOL_PATH, "record", "--tcp", sim.address, "--interval", "5", "-o", files[i]}));
    }
    for (std::size_t i = 0; i < std::size(kills); ++i) {
        SCOPED_TRACE(files[i]);
        test::Process& tool = *tools[i];
        ASSERT_TRUE(test::waitForRecords(tool, kills[i].recordsFirst)) << tool.err();
        std::this_thread::sleep_for(kills[i].thenWait);
        tool.signal(SIGKILL);
        ASSERT_EQ(tool.wait(5s), 128 + SIGKILL);
        const int reported = test::recordLines(tool.err());
        const LogData log = test::loadOrFail(files[i]);
        // a record written but not yet reported may be there too
        EXPECT_GE(log.size(), reported);
        EXPECT_LE(log.size(), reported + 1);
        EXPECT_EQ(std::filesystem::file_size(files[i]), 47U + 8U * log.size());
        for (std::int64_t k = 0; k < log.size(); ++k) {
            EXPECT_EQ(log.value(Channel::Temperature, k), 21.0f) << k;
        }
    }
}

// A sensor that drops the connection: the tool says so, connects again on its 8 s tick and goes
// on recording into the same file.
TEST(OrvToolRecord, ALostLinkIsConnectedAgain) {
    int port = 0;
    const int server = test::listenOnLoopback(port);
    ASSERT_GE(server, 0);
    test::TempDir dir;
    const std::string file = dir.file("l.dat").string();
    const std::string address = "127.0.0.1:" + std::to_string(port);
    test::Process tool({ORV_TOOL_PATH, "record", "--tcp", address, "--interval", "5", "-o", file});
    const std::string frame = *buildFrame("@T;+021.00;C;F;050.00;%;S/N;SIM00001;", "\r\n");
    const auto acceptWithin = [&](std::chrono::milliseconds limit) {
        pollfd p{server, POLLIN, 0};
        return ::poll(&p, 1, static_cast<int>(limit.count())) > 0
                   ? ::accept(server, nullptr, nullptr)
                   : -1;
    };
    const int first = acceptWithin(5s);
    ASSERT_GE(first, 0);
    for (int i = 0; i < 100 && test::recordLines(tool.err()) < 1; ++i) {
        ASSERT_EQ(::write(first, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
        std::this_thread::sleep_for(50ms);
    }
    ::close(first);
    const int second = acceptWithin(12s);
    EXPECT_GE(second, 0) << tool.err();
    ASSERT_TRUE(test::waitForRecords(tool, 1));
    std::this_thread::sleep_for(200ms);
    tool.signal(SIGTERM);
    EXPECT_EQ(tool.wait(5s), 0) << tool.err();
    EXPECT_PRED2(test::contains, tool.err(),
                 "link to " + address +
                     " lost (closed by the other side); connecting again every 8 s\n");
    EXPECT_PRED2(test::contains, tool.err(), "link to " + address + " connected again\n");
    EXPECT_GE(test::loadOrFail(file).size(), 1);
    ::close(second);
    ::close(server);
}

TEST(OrvToolRecord, RefusesWhatItCannotDoWithOneLine) {
    test::TempDir dir;
    const std::string closed = test::closedLoopbackAddress();
    const std::string file = dir.file("r.dat").string();
    const std::string folder = dir.path().string();
    // clang-format off
    const std::vector<test::Refusal> cases = {
        {{"--tcp", closed, "--interval", "4", "-o", file}, 2,
         "--interval wants whole seconds from 5 to 3600, not '4'"},
        {{"--tcp", closed, "--interval", "3601", "-o", file}, 2,
         "--interval wants whole seconds from 5 to 3600, not '3601'"},
        {{"--tcp", closed, "--interval", "0.1", "-o", file}, 2,
         "--interval wants whole seconds from 5 to 3600, not '0.1'"},
        {{"--tcp", closed, "-o", file}, 2, "record needs --interval S (5 to 3600 seconds)"},
        {{"--tcp", closed, "--interval", "5"}, 2, "record needs -o FILE"},
        {{"--interval", "5", "-o", file}, 2,
         "record needs a sensor: --tcp HOST:PORT or --serial DEVICE"},
        {{"--tcp", closed, "--serial", "/dev/null", "--interval", "5", "-o", file}, 2,
         "record takes one sensor, --serial is a second one"},
        {{"--tcp", closed, "--interval", "5", "-o", file, "--duration", "0"}, 2,
         "--duration wants a whole number of at least 1, not '0'"},
        {{"--tcp", closed, "--interval", "5", "-o", file, "--alarm", "humidity>70 for ever"}, 2,
         "--alarm 'humidity>70 for ever': hold time is not a duration like 60s ('ever')"},
        {{"--tcp", closed, "--interval", "5", "-o", folder + "/no/such/r.dat"}, 1,
         "cannot write " + folder + "/no/such/r.dat: no folder " + folder + "/no/such"},
        {{"--tcp", closed, "--interval", "5", "-o", folder}, 1,
         "cannot write " + folder + ": it is a folder"},
        {{"--tcp", closed, "--interval", "5", "-o", file}, 1,
         "cannot connect to " + closed + ": Connection refused"},
    };
    // clang-format on
    test::expectRefusals({ORV_TOOL_PATH, "record"}, cases, "orv-tool: ", true);
    EXPECT_FALSE(std::filesystem::exists(file));
}

} // namespace
} // namespace orv
