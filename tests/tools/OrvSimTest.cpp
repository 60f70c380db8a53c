#include "core/FrameParser.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <termios.h>

#include <tuple>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::Process;
using test::readAll;

Process startSim(std::vector<std::string> args) {
    args.insert(args.begin(), ORV_SIM_PATH);
    return Process(std::move(args));
}

// The port from "orv-sim: listening on 127.0.0.1:PORT".
int listeningPort(Process& sim) {
    const std::string line = sim.errLine();
    const std::string prefix = "orv-sim: listening on 127.0.0.1:";
    EXPECT_TRUE(line.starts_with(prefix)) << line;
    return line.starts_with(prefix) ? std::atoi(line.c_str() + prefix.size()) : -1;
}

std::vector<std::string> splitFrames(const std::string& text, const std::string& terminator) {
    std::vector<std::string> frames;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find(terminator, start);
        if (end == std::string::npos) {
            frames.push_back(text.substr(start)); // an incomplete tail shows up as a bad frame
            break;
        }
        frames.push_back(text.substr(start, end - start + 1)); // up to and including the CR
        start = end + terminator.size();
    }
    return frames;
}

bool frameIsGood(const std::string& frame) {
    return frame.starts_with("@T") && frame.ends_with('\r') && frameLengthAccepted(frame.size()) &&
           frameChecksumMatches(frame);
}

testing::AssertionResult allGood(const std::vector<std::string>& frames) {
    for (const std::string& frame : frames) {
        if (!frameIsGood(frame)) {
            return testing::AssertionFailure() << "bad frame: " << frame;
        }
    }
    return testing::AssertionSuccess();
}

TEST(OrvSim, EveryTcpClientGetsEveryFrameAndALeavingClientHarmsNoOne) {
    Process sim =
        startSim({"--tcp", "127.0.0.1:0", "--rate", "50", "--count", "10", "--wait-clients", "3"});
    const int port = listeningPort(sim);
    ASSERT_GT(port, 0);
    const int a = test::connectToLoopback(port);
    const int b = test::connectToLoopback(port);
    const int leaver = test::connectToLoopback(port);
    char first = 0;
    ASSERT_EQ(::read(leaver, &first, 1), 1);
    const linger reset{1, 0}; // close with a reset, the rudest way to leave
    ::setsockopt(leaver, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(leaver);

    const std::string fromA = readAll(a);
    const std::string fromB = readAll(b);
    ::close(a);
    ::close(b);
    EXPECT_EQ(fromA, fromB);
    const auto frames = splitFrames(fromA, "\r\n");
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_TRUE(allGood(frames));
    for (const std::string& frame : frames) {
        EXPECT_EQ(frame.substr(28, 8), "SIM00001");
    }
    EXPECT_EQ(sim.wait(), 0);
}

TEST(OrvSim, SplitWritesReachLateClientsFromAFrameStart) {
    // Ten pieces 8 ms apart fill most of each 100 ms frame period, so clients that join at odd
    // moments nearly always arrive in the middle of a frame. The pauses are long enough, and the
    // window holds enough frames, that a busy machine neither merges the pieces into whole
    // frames nor leaves fewer than three frames to check.
    Process sim = startSim({"--tcp", "127.0.0.1:0", "--rate", "10", "--split", "2", "--split-pause",
                            "8", "--layout", "H"});
    const int port = listeningPort(sim);
    ASSERT_GT(port, 0);
    for (const auto joinAfter : {260ms, 47ms, 33ms}) {
        std::this_thread::sleep_for(joinAfter);
        const int client = test::connectToLoopback(port);
        int reads = 0;
        const std::string text = readAll(client, &reads, 1000ms);
        ::close(client);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text[0], '@');
        const auto frames = splitFrames(text.substr(0, text.rfind("\r\n") + 2), "\r\n");
        ASSERT_GE(frames.size(), 3u);
        EXPECT_TRUE(allGood(frames));
        EXPECT_GT(reads, static_cast<int>(frames.size())); // frames arrived in pieces
    }
}

TEST(OrvSim, BatchedFramesShareWrites) {
    Process sim = startSim({"--tcp", "127.0.0.1:0", "--rate", "200", "--count", "40", "--batch",
                            "8", "--wait-clients", "1"});
    const int port = listeningPort(sim);
    ASSERT_GT(port, 0);
    const int client = test::connectToLoopback(port);
    int reads = 0;
    const auto frames = splitFrames(readAll(client, &reads), "\r\n");
    ::close(client);
    EXPECT_EQ(frames.size(), 40u);
    EXPECT_LE(reads, 10); // five writes of eight frames, not forty writes
    EXPECT_EQ(sim.wait(), 0);
}

struct StdoutCase {
    const char* name;
    std::vector<std::string> args;
    std::string terminator;
    std::size_t frames;
    // 1-based frame number -> expected text at a 1-based position, "" for "checksum is bad"
    std::vector<std::tuple<std::size_t, std::size_t, std::string>> expect;
};

TEST(OrvSim, StdoutFramesFollowTheOptions) {
    test::TempDir dir;
    test::writeFile(dir.file("script"), "# T RH\n21.5 40\n\nA07 55.25\n-3 A12\n");
    const std::string script = dir.file("script").string();
    // clang-format off
    const std::vector<StdoutCase> cases = {
        {"H layout, CR", {"--layout", "H", "--cr", "--count", "4"}, "\r", 4, {}},
        {"fixed values", {"--temp", "21.0", "--rh", "50.0", "--count", "2"}, "\r\n", 2,
         {{2, 4, "+021.00;C;F;050.00"}}},
        {"decimal comma, serial",
         {"--temp", "21", "--decimal-comma", "--sn", "AB-12.34", "--count", "3"}, "\r\n", 3,
         {{1, 4, "+021,00"}, {3, 29, "AB-12.34"}}},
        {"error every 3rd", {"--error-temp", "A03", "--error-every", "3", "--count", "6"},
         "\r\n", 6, {{3, 4, "A03    ;"}, {6, 4, "A03    ;"}, {6, 29, "SIM00001"}}},
        {"H humidity error", {"--layout", "H", "--rh", "4", "--error-rh", "A10", "--count", "2"},
         "\r\n", 2, {{1, 10, "H;A10;"}}},
        {"bad checksum every 2nd", {"--bad-checksum-every", "2", "--count", "4"}, "\r\n", 4,
         {{2, 0, ""}, {4, 0, ""}}},
        {"script ends by itself", {"--script", script}, "\r\n", 3,
         {{1, 4, "+021.50;C;F;040.00"}, {2, 4, "A07    ;C;F;055.25"},
          {3, 4, "-003.00;C;F;A12   "}}},
        {"script repeats", {"--script", script, "--repeat", "--count", "5"}, "\r\n", 5,
         {{4, 4, "+021.50"}, {5, 4, "A07"}}},
    };
    // clang-format on
    for (const StdoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"--stdout", "--rate", "1000"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Process sim = startSim(args);
        EXPECT_EQ(sim.wait(), 0);
        const auto frames = splitFrames(sim.out(), c.terminator);
        ASSERT_EQ(frames.size(), c.frames);
        std::vector<bool> shouldBeGood(frames.size(), true);
        for (const auto& [number, position, text] : c.expect) {
            const std::string& frame = frames.at(number - 1);
            if (text.empty()) {
                shouldBeGood[number - 1] = false;
            } else {
                EXPECT_EQ(frame.substr(position - 1, text.size()), text) << frame;
            }
        }
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frameIsGood(frames[i]), shouldBeGood[i]) << frames[i];
        }
    }
}

TEST(OrvSim, TheCurveRepeatsForASeedAndMovesWithTheFrames) {
    const auto run = [](const char* seed) {
        return test::run(
                   {ORV_SIM_PATH, "--stdout", "--rate", "1000", "--count", "50", "--seed", seed})
            .out;
    };
    const std::string first = run("7");
    EXPECT_EQ(first, run("7"));
    EXPECT_NE(first, run("8"));
    const auto frames = splitFrames(first, "\r\n");
    ASSERT_EQ(frames.size(), 50u);
    EXPECT_NE(frames.front().substr(3, 7), frames.back().substr(3, 7));
}

TEST(OrvSim, StopSignalsEndTheRunWithStatusZero) {
    for (const int sig : {SIGTERM, SIGINT}) {
        Process sim = startSim({"--tcp", "127.0.0.1:0"});
        const int port = listeningPort(sim);
        ASSERT_GT(port, 0);
        const int client = test::connectToLoopback(port);
        sim.signal(sig);
        EXPECT_EQ(sim.wait(2000ms), 0) << "signal " << sig;
        ::close(client);
    }
}

TEST(OrvSim, RefusesBadArgumentsAndUnusableOutputsWithOneLine) {
    test::TempDir dir;
    test::writeFile(dir.file("plain"), "");
    test::writeFile(dir.file("badscript"), "21.0 50.0\n21.0\n");
    Process holder = startSim({"--tcp", "127.0.0.1:0"});
    const std::string busy = "127.0.0.1:" + std::to_string(listeningPort(holder));

    const std::vector<test::Refusal> cases = {
        {{"--rate", "0"}, 2, ""},
        {{"--rate", "fast"}, 2, ""},
        {{"--count"}, 2, ""},
        {{"--layout", "X"}, 2, ""},
        {{"--temp", "21,5"}, 2, ""},
        {{"--sn", "SHORT"}, 2, ""},
        {{"--error-temp", "E03"}, 2, ""},
        {{"--error-every", "2"}, 2, ""},
        {{"--stdout", "--tcp", "127.0.0.1:0"}, 2, ""},
        {{"--tcp", "0.0.0.0:0"}, 2, ""},
        {{"--tcp", "127.0.0.1"}, 2, ""},
        {{"--script", dir.file("badscript").string()}, 2, ""},
        {{"--wobble"}, 2, ""},
        {{"--tcp", busy}, 1, ""},
        {{"--serial", dir.file("missing").string()}, 1, ""},
        {{"--serial", dir.file("plain").string()}, 1, ""},
    };
    test::expectRefusals({ORV_SIM_PATH}, cases, "orv-sim: ", false);
}

TEST(OrvSim, SerialOutputIntoAPtyPair) {
    if (!test::socatAvailable()) {
        GTEST_SKIP() << "socat is not installed";
    }
    test::TempDir dir;
    const test::PtyPair pty(dir);
    ASSERT_TRUE(pty.ready());

    Process sim = startSim({"--serial", pty.a, "--rate", "50", "--count", "25", "--layout", "H"});
    EXPECT_EQ(sim.errLine(), "orv-sim: writing to " + pty.a);
    const int reader = ::open(pty.b.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::write(reader, "1", 1), 1); // what the port search sends

    const int line = ::open(pty.a.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(line, 0);
    termios tio{};
    ASSERT_EQ(::tcgetattr(line, &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    int pending = -1;
    for (int i = 0; i < 100 && pending != 0; ++i) {
        std::this_thread::sleep_for(10ms);
        ::ioctl(line, TIOCINQ, &pending);
    }
    EXPECT_EQ(pending, 0) << "the simulator leaves received bytes unread";
    ::close(line);

    std::string text;
    for (int i = 0; i < 100 && splitFrames(text, "\r\n").size() < 25; ++i) {
        text += readAll(reader, nullptr, 20ms);
    }
    ::close(reader);
    const auto frames = splitFrames(text, "\r\n");
    ASSERT_EQ(frames.size(), 25u);
    EXPECT_TRUE(allGood(frames));
    EXPECT_EQ(sim.wait(), 0);
}

} // namespace
} // namespace orv
