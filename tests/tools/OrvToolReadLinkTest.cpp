// orv-tool read against links that end, go silent or send more than fits a chunk: the real
// binary on real loopback sockets and the real simulator.
#include "core/FrameChecksum.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::linesOf;

// Frame k of a numbered series: "@T;+NN.N;H;45.6;" with the temperature k / 10, all 20 bytes.
std::string numberedFrame(int k) {
    char body[32];
    std::snprintf(body, sizeof body, "@T;+%04.1f;H;45.6;", k / 10.0);
    return buildFrame(body, "\r\n").value();
}

TEST(OrvToolReadLink, ALostLinkBeforeTheCountFailsAndTheCountReachedDoesNot) {
    // A sensor that sends three frames, each split over two writes, and closes the connection.
    for (const auto& [count, status] : {std::pair{"5", 1}, std::pair{"3", 0}}) {
        int port = 0;
        const int server = test::listenOnLoopback(port);
        ASSERT_GE(server, 0);
        std::thread sensor([server] {
            const int client = ::accept(server, nullptr, nullptr);
            for (int k = 0; k < 3 && client >= 0; ++k) {
                const std::string f = numberedFrame(k);
                (void)!::write(client, f.data(), 8);
                std::this_thread::sleep_for(30ms);
                (void)!::write(client, f.data() + 8, f.size() - 8);
                std::this_thread::sleep_for(30ms);
            }
            ::close(client);
        });
        const std::string address = "127.0.0.1:" + std::to_string(port);
        const test::Run r = test::runTool({"read", "--tcp", address, "--count", count});
        sensor.join();
        ::close(server);
        SCOPED_TRACE(count);
        EXPECT_EQ(r.status, status);
        const auto lines = linesOf(r.out);
        ASSERT_EQ(lines.size(), 3U) << r.out;
        for (const auto& [k, value] :
             {std::pair{0, "0"}, std::pair{1, "0.1"}, std::pair{2, "0.2"}}) {
            EXPECT_PRED2(test::contains, lines[k], R"("valid":true,)");
            EXPECT_PRED2(test::contains, lines[k], std::string(R"("temperature":)") + value + ",");
        }
        EXPECT_EQ(r.err, status == 0 ? std::string()
                                     : "orv-tool: read: lost the link to " + address +
                                           " after 3 frames: closed by the other side\n");
    }
}

TEST(OrvToolReadLink, TimeoutEndsASilentLinkOnly) {
    // A peer that accepts and then says nothing.
    int port = 0;
    const int server = test::listenOnLoopback(port);
    ASSERT_GE(server, 0);
    const std::string address = "127.0.0.1:" + std::to_string(port);
    test::Process silent({ORV_TOOL_PATH, "read", "--tcp", address, "--timeout", "0.3"});
    const int peer = ::accept(server, nullptr, nullptr);
    EXPECT_EQ(silent.wait(5s), 1);
    EXPECT_EQ(silent.err(), "orv-tool: read: nothing received from " + address + " for 0.3 s\n");
    EXPECT_EQ(silent.out(), "");
    ::close(peer);
    ::close(server);

    // A sensor that sends a frame every 50 ms never runs into a timeout of one second.
    test::Simulator sim({"--rate", "20"});
    ASSERT_NE(sim.address, "");
    const test::Run r =
        test::runTool({"read", "--tcp", sim.address, "--timeout", "1", "--count", "5"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(linesOf(r.out).size(), 5U);
}

TEST(OrvToolReadLink, TheEndOfAFileOrOfStandardInputIsANormalEnd) {
    test::TempDir dir;
    const auto path = dir.file("frames.txt").string();
    const std::string frames = numberedFrame(1) + numberedFrame(2);
    test::writeFile(path, frames);
    for (const auto& args : {std::vector<std::string>{"read", "--file", path, "--count", "9"},
                             std::vector<std::string>{"read", "--count", "9", "--timeout", "5"},
                             std::vector<std::string>{"read", "-", "--chunk", "1"}}) {
        const test::Run r = test::runTool(args, frames);
        EXPECT_EQ(r.status, 0) << args[1] << ": " << r.err;
        EXPECT_EQ(r.err, "") << args[1];
        EXPECT_FALSE(r.out.empty()) << args[1];
    }
}

// --chunk N hands the parser pieces of N bytes, but holds only as much of a piece as the parser
// keeps: a chunk of 4 GB runs in a 256 MB address space.
TEST(OrvToolReadLink, AHugeChunkNeedsNoHugeBuffer) {
    std::string input;
    for (int k = 0; k < 400; ++k) {
        input += numberedFrame(k); // 20 bytes each, 8000 in all
    }
    const std::string limited = "ulimit -v 262144 && exec \"$0\" \"$@\"";
    const test::Run huge =
        test::run({"sh", "-c", limited, ORV_TOOL_PATH, "read", "--chunk", "4000000000"}, input);
    EXPECT_EQ(huge.status, 0) << huge.err;
    ASSERT_EQ(linesOf(huge.out).size(), 1U) << huge.out;
    EXPECT_PRED2(test::contains, huge.out, R"("temperature":39.9,)"); // the newest frame

    // Pieces of 5010 bytes, more than the parser keeps: each yields its newest complete frame.
    // The first piece ends inside frame 250 (bytes 5000..5019), so frame 249 is its newest.
    const test::Run pieces = test::runTool({"read", "--chunk", "5010"}, input);
    EXPECT_EQ(pieces.status, 0) << pieces.err;
    const auto lines = linesOf(pieces.out);
    ASSERT_EQ(lines.size(), 2U) << pieces.out;
    EXPECT_PRED2(test::contains, lines[0], R"("temperature":24.9,)");
    EXPECT_PRED2(test::contains, lines[1], R"("temperature":39.9,)");
}

} // namespace
} // namespace orv
