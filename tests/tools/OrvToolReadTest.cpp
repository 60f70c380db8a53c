#include "core/FrameChecksum.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace orv {
namespace {

using namespace std::chrono_literals;

// orv-tool (or socat) running with stdin from a file and stdout/stderr into files.
class Process {
public:
    Process(const test::TempDir& dir, std::vector<std::string> args, const std::string& input,
            const std::string& tag = "tool")
        : out_(dir.file(tag + ".out")), err_(dir.file(tag + ".err")) {
        const auto in = dir.file(tag + ".in");
        test::writeFile(in, input);
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
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

    // The exit status, or -1 when it did not end in time (it is killed then) or not normally.
    int wait(std::chrono::milliseconds limit = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (pid_ > 0) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }
    [[nodiscard]] bool running() const { return pid_ > 0; }
    [[nodiscard]] std::string out() const { return test::readFile(out_); }
    [[nodiscard]] std::string err() const { return test::readFile(err_); }

private:
    std::filesystem::path out_;
    std::filesystem::path err_;
    pid_t pid_ = -1;
};

struct Result {
    int status;
    std::vector<std::string> lines;
    std::string err;
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

Result runTool(std::vector<std::string> args, const std::string& input = "") {
    test::TempDir dir;
    args.insert(args.begin(), ORV_TOOL_PATH);
    Process p(dir, args, input);
    const int status = p.wait();
    return {status, linesOf(p.out()), p.err()};
}

std::string frameOf(std::string_view body, std::string_view terminator = "\r\n") {
    return buildFrame(body, terminator).value();
}

const std::string kF = frameOf("@T;+023.45;C;F;045.67;%;S/N;SIM00001;");
const std::string kH = frameOf("@T;+21.0;H;00.0;");
const std::string kErr = frameOf("@T;A03;H;45.6;");
const std::string kBad = "@T;+23.4;H;45.6;B9\r\n";
const std::string kRefused = "@T;+23.45;H;045.67;00\r\n";

const std::string kFLine =
    R"({"frame":"@T;+023.45;C;F;045.67;%;S/N;SIM00001;B0\r","valid":true,)"
    R"("fields":["+023.45","045.67","SIM00001"],"txtTemp":"23.5 °C","txtRH":"45.7 %",)"
    R"("txtTp":"11.0  °C","temperature":23.45,"humidity":45.67,"dewpoint":11.021474214233722,)"
    R"("channel2":45.67,"serial":"SIM00001","tempUnit":" °C","channel2Unit":" %"})";

class OrvToolReadTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(OrvToolReadTest, FilePrintsEveryFrameThatPassesTheLengthCheck) {
    const auto path = dir.file("frames.txt");
    test::writeFile(path, kF + kRefused + kBad + kH + kErr);
    const Result r = runTool({"read", "--file", path.string(), "--chunk", "7"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 4U);
    EXPECT_EQ(r.lines[0], kFLine);
    EXPECT_EQ(r.lines[1], R"({"frame":"@T;+23.4;H;45.6;B9\r","valid":false})");
    // Humidity 0 is taken as 0.01 for the dew point, and stays 0.01.
    EXPECT_NE(r.lines[2].find(R"("txtRH":"0.0 %","txtTp":"-74.1  °C","temperature":21,)"
                              R"("humidity":0.01,)"),
              std::string::npos)
        << r.lines[2];
    EXPECT_NE(r.lines[3].find(R"("fields":["A03","45.6;",""],"txtTemp":"Err A03",)"),
              std::string::npos)
        << r.lines[3];
    EXPECT_NE(r.lines[3].find(R"("temperature":null,"humidity":45.6,"dewpoint":null,)"
                              R"("channel2":45.6,"serial":"")"),
              std::string::npos)
        << r.lines[3];
}

TEST_F(OrvToolReadTest, UnitsChannel2AndLocale) {
    struct Case {
        std::vector<std::string> options;
        std::string expected;
    };
    const Case cases[] = {
        {{"--unit", "K", "--channel2", "dewpoint", "--locale", "de_DE"},
         R"("txtTemp":"296,6 K","txtRH":"45,7 %","txtTp":"284,2  K","temperature":296.6,)"
         R"("humidity":45.67,"dewpoint":284.1714742142337,"channel2":284.17148,)"},
        {{"--unit=F", "--channel2=dewpoint"},
         R"("txtTemp":"74.2 °F","txtRH":"45.7 %","txtTp":"51.8  °F","temperature":74.21,)"
         R"("humidity":45.67,"dewpoint":51.838653585620705,"channel2":51.838654,)"},
        {{"--unit", "C", "--locale", "en_US"},
         R"("txtTemp":"23.5 °C","txtRH":"45.7 %","txtTp":"11.0  °C","temperature":23.45,)"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"read", "-"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Result r = runTool(args, kF);
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(r.lines.size(), 1U);
        EXPECT_NE(r.lines[0].find(c.expected), std::string::npos) << r.lines[0];
    }
}

TEST_F(OrvToolReadTest, OneReadYieldsOnlyItsNewestFrameAndCountStops) {
    // Without --chunk the whole small input is one read, as on a fast line.
    Result r = runTool({"read"}, kBad + kF);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 1U);
    EXPECT_EQ(r.lines[0], kFLine);

    r = runTool({"read", "--chunk", "1", "--count", "2"}, kF + kBad + kH + kH);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2U);
    EXPECT_EQ(r.lines[0], kFLine);
    EXPECT_NE(r.lines[1].find(R"("valid":false)"), std::string::npos);
}

TEST_F(OrvToolReadTest, ReadsFromATcpConnection) {
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    const std::string port = std::to_string(ntohs(addr.sin_port));

    std::thread sensor([server] {
        const int client = ::accept(server, nullptr, nullptr);
        if (client < 0) {
            return;
        }
        // A frame split over two writes, then one more.
        (void)!::write(client, kF.data(), 20);
        std::this_thread::sleep_for(50ms);
        (void)!::write(client, kF.data() + 20, kF.size() - 20);
        std::this_thread::sleep_for(50ms);
        (void)!::write(client, kBad.data(), kBad.size());
        ::close(client);
    });
    const Result r = runTool({"read", "--tcp", "127.0.0.1:" + port});
    sensor.join();
    ::close(server);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2U);
    EXPECT_EQ(r.lines[0], kFLine);
    EXPECT_EQ(r.lines[1], R"({"frame":"@T;+23.4;H;45.6;B9\r","valid":false})");
}

TEST_F(OrvToolReadTest, ReadsFromASerialPty) {
    if (::system("command -v socat >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "socat is not installed";
    }
    const auto sensorSide = dir.file("sensor");
    const auto programSide = dir.file("program");
    Process socat(dir,
                  {"socat", "pty,raw,echo=0,link=" + sensorSide.string(),
                   "pty,raw,echo=0,link=" + programSide.string()},
                  "", "socat");
    for (int i = 0;
         i < 200 && !(std::filesystem::exists(sensorSide) && std::filesystem::exists(programSide));
         ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(std::filesystem::exists(programSide)) << socat.err();

    Process tool(dir, {ORV_TOOL_PATH, "read", "--serial", programSide.string(), "--count", "2"},
                 "");
    const int fd = ::open(sensorSide.c_str(), O_WRONLY | O_NOCTTY);
    ASSERT_GE(fd, 0);
    // The tool may open its side a little later; keep sending until it has seen two frames.
    for (int i = 0; i < 100 && tool.running(); ++i) {
        (void)!::write(fd, kF.data(), kF.size());
        if (tool.wait(100ms) != -1 || !tool.running()) {
            break;
        }
    }
    ::close(fd);
    const auto lines = linesOf(tool.out());
    ASSERT_EQ(lines.size(), 2U) << tool.err();
    EXPECT_EQ(lines[0], kFLine);
    EXPECT_EQ(lines[1], kFLine);
}

TEST_F(OrvToolReadTest, DewpointPrintsFullPrecision) {
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"dewpoint", "21", "50"}, "10.149503521056095"},
        {{"dewpoint", "+21.0", "0"}, "-74.08094426664864"},
        {{"dewpoint", "-10", "80"}, "-12.788652184462526"},
        {{"dewpoint", "20", "-1"}, "0"},
    };
    for (const auto& c : cases) {
        const Result r = runTool(c.args);
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(r.lines.size(), 1U);
        EXPECT_EQ(r.lines[0], c.out) << c.args[1] << " " << c.args[2];
    }
}

TEST_F(OrvToolReadTest, BadArgumentsAndSourcesExitWithOneLine) {
    // A port that was just free: nothing listens there.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    const std::string closed = "127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
    ::close(probe);

    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"read", "--tcp", closed},
         1,
         "orv-tool: cannot connect to " + closed + ": Connection refused"},
        {{"read", "--file", "/nonexistent/frames"},
         1,
         "orv-tool: cannot open /nonexistent/frames: No such file or directory"},
        {{"read", "--serial", "/dev/null"},
         1,
         "orv-tool: cannot set up /dev/null as a serial port: Inappropriate ioctl for device"},
        {{"read", "--unit", "X"}, 2, "orv-tool: --unit wants C, F or K, not 'X'"},
        {{"read", "--chunk", "0"},
         2,
         "orv-tool: --chunk wants a whole number of at least 1, not '0'"},
        {{"read", "--count"}, 2, "orv-tool: --count needs a value"},
        {{"read", "--file", "a", "-"}, 2, "orv-tool: read takes one source, - is a second one"},
        {{"read", "--tcp", "localhost"}, 2, "orv-tool: --tcp wants HOST:PORT, not 'localhost'"},
        {{"read", "--verbose"},
         2,
         "orv-tool: read: unknown argument '--verbose' (see orv-tool read --help)"},
        {{"dewpoint", "21"}, 2, "orv-tool: dewpoint wants two numbers: T (°C) and RH (%)"},
        {{"dewpoint", "21", "5O"}, 2, "orv-tool: dewpoint: humidity '5O' is not a number"},
        {{"frobnicate"}, 2, "orv-tool: unknown command 'frobnicate' (see orv-tool --help)"},
    };
    for (const auto& c : cases) {
        const Result r = runTool(c.args);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_EQ(r.err, c.message + "\n");
        EXPECT_TRUE(r.lines.empty()) << c.message;
    }
}

TEST_F(OrvToolReadTest, HelpListsTheSubcommands) {
    const Result r = runTool({"--help"});
    ASSERT_EQ(r.status, 0);
    int listed = 0;
    for (const auto& line : r.lines) {
        listed += line.starts_with("  read ") || line.starts_with("  dewpoint ");
    }
    EXPECT_EQ(listed, 2);
    EXPECT_EQ(runTool({}).status, 2);
}

} // namespace
} // namespace orv
