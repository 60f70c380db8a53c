#pragma once

// Running the command-line tools (and socat) as child processes, and loopback sockets to talk to
// them.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace orv::test {

using namespace std::chrono_literals;

// A child process with `input` on stdin and stdout/stderr in files of its own folder, so a large
// output can never block it. Killed in the destructor if still running.
class Process {
public:
    explicit Process(std::vector<std::string> argv, const std::string& input = "") {
        const auto in = dir_.file("in");
        const auto out = dir_.file("out");
        const auto err = dir_.file("err");
        writeFile(in, input);
        std::vector<char*> args;
        for (auto& a : argv) {
            args.push_back(a.data());
        }
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT, 0644);
        if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) {
            pid_ = -1;
            status_ = 127;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Process() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    void signal(int sig) const { ::kill(pid_, sig); }

    // The exit status (128 + signal number when a signal ended it), or nullopt if the process is
    // still running after `limit`.
    std::optional<int> wait(std::chrono::milliseconds limit = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (int status = 0;; std::this_thread::sleep_for(5ms)) {
            if (pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (status_ || std::chrono::steady_clock::now() >= deadline) {
                return status_;
            }
        }
    }

    [[nodiscard]] std::string out() const { return readFile(dir_.file("out")); }
    [[nodiscard]] std::string err() const { return readFile(dir_.file("err")); }
    // The first line on stderr, without its line break, once it is complete.
    [[nodiscard]] std::string errLine(std::chrono::milliseconds limit = 5s) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::string text = err();
        while (text.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
            text = err();
        }
        return text.substr(0, text.find('\n'));
    }

private:
    TempDir dir_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

struct Run {
    int status; // -1: did not end within 10 s
    std::string out;
    std::string err;
};

inline Run run(std::vector<std::string> argv, const std::string& input = "") {
    Process p(std::move(argv), input);
    const int status = p.wait().value_or(-1);
    return {status, p.out(), p.err()};
}

inline Run runTool(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), ORV_TOOL_PATH);
    return run(std::move(args), input);
}

// For EXPECT_PRED2(test::contains, text, part), which prints both on failure.
inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// orv-sim on a free loopback port; `address` is "127.0.0.1:PORT" from its first line, or "".
struct Simulator {
    explicit Simulator(std::vector<std::string> extra)
        : process([&] {
              extra.insert(extra.begin(), {ORV_SIM_PATH, "--tcp", "127.0.0.1:0"});
              return extra;
          }()) {
        const std::string line = process.errLine();
        if (const auto at = line.find("127.0.0.1:"); at != std::string::npos) {
            address = line.substr(at);
        }
    }
    Process process;
    std::string address;
};

// The record lines ("record N ...") that orv-tool record has printed on stderr.
inline int recordLines(const std::string& err) {
    static const std::regex line("(^|\n)record [0-9]+ ");
    return static_cast<int>(
        std::distance(std::sregex_iterator(err.begin(), err.end(), line), std::sregex_iterator()));
}

// Waits until `done` holds for what the process has printed on stderr.
inline bool waitFor(const Process& p, const std::function<bool(const std::string&)>& done,
                    std::chrono::milliseconds limit = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done(p.err())) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

inline bool waitForRecords(const Process& tool, int n, std::chrono::milliseconds limit = 20s) {
    return waitFor(
        tool, [n](const std::string& err) { return recordLines(err) >= n; }, limit);
}

// A command line that must be refused: its exit status and what its message says.
struct Refusal {
    std::vector<std::string> args;
    int status;
    std::string message;
};

// Runs `command` followed by each refusal's arguments. Each must end with its status, print
// nothing on stdout and one line on stderr that starts with `prefix` and is `prefix + message`
// (`exact`) or holds `message`.
inline void expectRefusals(const std::vector<std::string>& command,
                           const std::vector<Refusal>& refusals, const std::string& prefix,
                           bool exact) {
    for (const Refusal& r : refusals) {
        std::vector<std::string> argv = command;
        argv.insert(argv.end(), r.args.begin(), r.args.end());
        SCOPED_TRACE(testing::PrintToString(r.args));
        const Run run = test::run(argv);
        EXPECT_EQ(run.status, r.status) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with(prefix)) << run.err;
        EXPECT_GT(run.err.size(), prefix.size() + 10) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        if (exact) {
            EXPECT_EQ(run.err, prefix + r.message + "\n");
        } else {
            EXPECT_PRED2(contains, run.err, r.message);
        }
    }
}

inline bool socatAvailable() {
    return std::system("command -v socat >/dev/null 2>&1") == 0;
}

// Two linked pseudo-terminals that appear as `a` and `b` in `dir`.
struct PtyPair {
    explicit PtyPair(const TempDir& dir)
        : a(dir.file("pty-a").string()), b(dir.file("pty-b").string()),
          socat({"socat", "pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b}) {
        for (int i = 0; i < 500 && !ready(); ++i) {
            std::this_thread::sleep_for(10ms);
        }
    }
    [[nodiscard]] bool ready() const {
        return std::filesystem::exists(a) && std::filesystem::exists(b);
    }

    std::string a;
    std::string b;
    Process socat;
};

inline sockaddr_in loopbackAddress(int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

// A socket listening on 127.0.0.1 at a free port.
inline int listenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = loopbackAddress(0);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(addr.sin_port);
    return fd;
}

// "127.0.0.1:PORT" for a port that was just free: nothing listens there.
inline std::string closedLoopbackAddress() {
    int port = 0;
    ::close(listenOnLoopback(port));
    return "127.0.0.1:" + std::to_string(port);
}

inline int connectToLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in addr = loopbackAddress(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads until EOF or `limit`; `reads` counts the reads that returned data.
inline std::string readAll(int fd, int* reads = nullptr, std::chrono::milliseconds limit = 5s) {
    std::string all;
    char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
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

// Sets an environment variable for the child processes of a scope.
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The recorder's test clock: a file holding the local time, replaced in one step so the tool
// never reads half a time.
class ClockFile {
public:
    explicit ClockFile(const test::TempDir& dir)
        : path_(dir.file("clock").string()), env_("ORV_CLOCK_FILE", path_) {}

    void set(const std::string& localTime) const {
        test::writeFile(path_ + ".new", localTime + "\n");
        std::filesystem::rename(path_ + ".new", path_);
    }

private:
    std::string path_;
    ScopedEnv env_;
};

} // namespace orv::test
