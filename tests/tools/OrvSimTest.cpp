#include "core/FrameChecksum.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace orv {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A child process with its stdout and stderr on pipes; killed in the destructor if still alive.
class Child {
public:
    explicit Child(std::vector<std::string> argv) {
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) < 0 || ::pipe2(err, O_CLOEXEC) < 0) {
            throw std::runtime_error("pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        std::vector<char*> args;
        for (std::string& a : argv) {
            args.push_back(a.data());
        }
        args.push_back(nullptr);
        const int rc = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
        if (rc != 0) {
            pid_ = -1;
            throw std::runtime_error("cannot start " + argv[0]);
        }
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(out_);
        ::close(err_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void signal(int sig) const { ::kill(pid_, sig); }

    // Exit status, or nullopt if the child is still running after `limit`.
    std::optional<int> waitExit(std::chrono::milliseconds limit = 5000ms) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(5ms);
        }
        return std::nullopt;
    }

    std::string readStderrLine(std::chrono::milliseconds limit = 5000ms) {
        std::string line;
        char c = 0;
        while (readByte(err_, c, limit) && c != '\n') {
            line += c;
        }
        return line;
    }
    // Everything the child writes to stdout until it closes it.
    std::string readStdout(std::chrono::milliseconds limit = 5000ms) {
        std::string all;
        for (char c = 0; readByte(out_, c, limit);) {
            all += c;
        }
        return all;
    }

private:
    static bool readByte(int fd, char& c, std::chrono::milliseconds limit) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, static_cast<int>(limit.count())) > 0 && ::read(fd, &c, 1) == 1;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

std::unique_ptr<Child> startSim(std::vector<std::string> args) {
    args.insert(args.begin(), ORV_SIM_PATH);
    return std::make_unique<Child>(std::move(args));
}

// The port from "orv-sim: listening on 127.0.0.1:PORT".
int listeningPort(Child& sim) {
    const std::string line = sim.readStderrLine();
    const std::string prefix = "orv-sim: listening on 127.0.0.1:";
    EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
    return line.rfind(prefix, 0) == 0 ? std::atoi(line.c_str() + prefix.size()) : -1;
}

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    return fd;
}

// Reads until EOF or `limit`; `reads` counts the recv calls that returned data.
std::string readAll(int fd, int* reads = nullptr, std::chrono::milliseconds limit = 5000ms) {
    std::string all;
    char buffer[4096];
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return all;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return all;
        }
        all.append(buffer, static_cast<std::size_t>(n));
        if (reads != nullptr) {
            ++*reads;
        }
    }
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

// Recomputes the checksum from the frame text (which ends in its CR).
bool frameIsGood(const std::string& frame) {
    if (frame.size() < 4 || frame.rfind("@T", 0) != 0 || frame.back() != '\r' ||
        isRefusedFrameLength(frame.size())) {
        return false;
    }
    const std::string body = frame.substr(0, frame.size() - 3);
    const long received = std::strtol(frame.substr(frame.size() - 3, 2).c_str(), nullptr, 16);
    return received == frameChecksumForBody(body);
}

TEST(OrvSim, EveryTcpClientGetsEveryFrameAndALeavingClientHarmsNoOne) {
    auto sim =
        startSim({"--tcp", "127.0.0.1:0", "--rate", "50", "--count", "10", "--wait-clients", "3"});
    const int port = listeningPort(*sim);
    ASSERT_GT(port, 0);
    const int a = connectTo(port);
    const int b = connectTo(port);
    const int leaver = connectTo(port);
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
    for (const std::string& frame : frames) {
        EXPECT_TRUE(frameIsGood(frame)) << frame;
        EXPECT_EQ(frame.substr(28, 8), "SIM00001");
    }
    EXPECT_EQ(sim->waitExit(), 0);
}

TEST(OrvSim, SplitWritesReachLateClientsFromAFrameStart) {
    // Ten pieces 4 ms apart fill most of each 50 ms frame period, so clients that join at odd
    // moments nearly always arrive in the middle of a frame.
    auto sim = startSim({"--tcp", "127.0.0.1:0", "--rate", "20", "--split", "2", "--split-pause",
                         "4", "--layout", "H"});
    const int port = listeningPort(*sim);
    ASSERT_GT(port, 0);
    for (const auto joinAfter : {130ms, 23ms, 17ms}) {
        std::this_thread::sleep_for(joinAfter);
        const int client = connectTo(port);
        int reads = 0;
        const std::string text = readAll(client, &reads, 300ms);
        ::close(client);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text[0], '@');
        const auto frames = splitFrames(text.substr(0, text.rfind("\r\n") + 2), "\r\n");
        ASSERT_GE(frames.size(), 3u);
        for (const std::string& frame : frames) {
            EXPECT_TRUE(frameIsGood(frame)) << frame;
        }
        EXPECT_GT(reads, static_cast<int>(frames.size())); // frames arrived in pieces
    }
}

TEST(OrvSim, BatchedFramesShareWrites) {
    auto sim = startSim({"--tcp", "127.0.0.1:0", "--rate", "200", "--count", "40", "--batch", "8",
                         "--wait-clients", "1"});
    const int port = listeningPort(*sim);
    ASSERT_GT(port, 0);
    const int client = connectTo(port);
    int reads = 0;
    const auto frames = splitFrames(readAll(client, &reads), "\r\n");
    ::close(client);
    EXPECT_EQ(frames.size(), 40u);
    EXPECT_LE(reads, 10); // five writes of eight frames, not forty writes
    EXPECT_EQ(sim->waitExit(), 0);
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
        auto sim = startSim(args);
        const auto frames = splitFrames(sim->readStdout(), c.terminator);
        EXPECT_EQ(sim->waitExit(), 0);
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
        auto sim = startSim({"--stdout", "--rate", "1000", "--count", "50", "--seed", seed});
        return sim->readStdout();
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
        auto sim = startSim({"--tcp", "127.0.0.1:0"});
        const int port = listeningPort(*sim);
        ASSERT_GT(port, 0);
        const int client = connectTo(port);
        sim->signal(sig);
        EXPECT_EQ(sim->waitExit(2000ms), 0) << "signal " << sig;
        ::close(client);
    }
}

TEST(OrvSim, RefusesBadArgumentsAndUnusableOutputsWithOneLine) {
    test::TempDir dir;
    test::writeFile(dir.file("plain"), "");
    test::writeFile(dir.file("badscript"), "21.0 50.0\n21.0\n");
    auto holder = startSim({"--tcp", "127.0.0.1:0"});
    const std::string busy = "127.0.0.1:" + std::to_string(listeningPort(*holder));

    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{"--rate", "0"}, 2},
        {{"--rate", "fast"}, 2},
        {{"--count"}, 2},
        {{"--layout", "X"}, 2},
        {{"--temp", "21,5"}, 2},
        {{"--sn", "SHORT"}, 2},
        {{"--error-temp", "E03"}, 2},
        {{"--error-every", "2"}, 2},
        {{"--stdout", "--tcp", "127.0.0.1:0"}, 2},
        {{"--tcp", "0.0.0.0:0"}, 2},
        {{"--tcp", "127.0.0.1"}, 2},
        {{"--script", dir.file("badscript").string()}, 2},
        {{"--wobble"}, 2},
        {{"--tcp", busy}, 1},
        {{"--serial", dir.file("missing").string()}, 1},
        {{"--serial", dir.file("plain").string()}, 1},
    };
    for (const auto& [args, status] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        auto sim = startSim(args);
        const std::string line = sim->readStderrLine();
        EXPECT_EQ(sim->waitExit(), status);
        EXPECT_EQ(line.rfind("orv-sim: ", 0), 0u) << line;
        EXPECT_GT(line.size(), 20u) << line;
        EXPECT_EQ(sim->readStderrLine(100ms), "") << "more than one line";
    }
}

TEST(OrvSim, SerialOutputIntoAPtyPair) {
    if (std::system("command -v socat >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "socat is not installed";
    }
    test::TempDir dir;
    const std::string a = dir.file("a").string();
    const std::string b = dir.file("b").string();
    Child socat({"/usr/bin/env", "socat", "pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b});
    for (int i = 0; i < 200 && !(std::filesystem::exists(a) && std::filesystem::exists(b)); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(std::filesystem::exists(b));

    auto sim = startSim({"--serial", a, "--rate", "50", "--count", "25", "--layout", "H"});
    EXPECT_EQ(sim->readStderrLine(), "orv-sim: writing to " + a);
    const int reader = ::open(b.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::write(reader, "1", 1), 1); // what the port search sends

    const int line = ::open(a.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
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
    for (const std::string& frame : frames) {
        EXPECT_TRUE(frameIsGood(frame)) << frame;
    }
    EXPECT_EQ(sim->waitExit(), 0);
}

} // namespace
} // namespace orv
