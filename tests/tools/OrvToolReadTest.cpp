#include "core/FrameChecksum.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace orv {
namespace {

using namespace std::chrono_literals;

struct Result {
    int status;
    std::vector<std::string> lines;
    std::string err;
};

Result runTool(std::vector<std::string> args, const std::string& input = "") {
    const test::Run r = test::runTool(std::move(args), input);
    return {r.status, test::linesOf(r.out), r.err};
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

TEST(OrvToolReadTest, FilePrintsEveryFrameThatPassesTheLengthCheck) {
    test::TempDir dir;
    const auto path = dir.file("frames.txt");
    test::writeFile(path, kF + kRefused + kBad + kH + kErr);
    const Result r = runTool({"read", "--file", path.string(), "--chunk", "7"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 4U);
    EXPECT_EQ(r.lines[0], kFLine);
    EXPECT_EQ(r.lines[1], R"({"frame":"@T;+23.4;H;45.6;B9\r","valid":false})");
    // Humidity 0 is taken as 0.01 for the dew point, and stays 0.01.
    EXPECT_PRED2(test::contains, r.lines[2],
                 R"("txtRH":"0.0 %","txtTp":"-74.1  °C","temperature":21,)"
                 R"("humidity":0.01,)");
    EXPECT_PRED2(test::contains, r.lines[3], R"("fields":["A03","45.6;",""],"txtTemp":"Err A03",)");
    EXPECT_PRED2(test::contains, r.lines[3],
                 R"("temperature":null,"humidity":45.6,"dewpoint":null,)"
                 R"("channel2":45.6,"serial":"")");
}

TEST(OrvToolReadTest, UnitsChannel2AndLocale) {
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
        EXPECT_PRED2(test::contains, r.lines[0], c.expected);
    }
}

TEST(OrvToolReadTest, OneReadYieldsOnlyItsNewestFrameAndCountStops) {
    // Without --chunk the whole small input is one read, as on a fast line.
    Result r = runTool({"read"}, kBad + kF);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 1U);
    EXPECT_EQ(r.lines[0], kFLine);

    r = runTool({"read", "--chunk", "1", "--count", "2"}, kF + kBad + kH + kH);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2U);
    EXPECT_EQ(r.lines[0], kFLine);
    EXPECT_PRED2(test::contains, r.lines[1], R"("valid":false)");
}

// The simulator and the reader together: what a networked sensor sends comes out as the values
// the program shows, for both frame layouts (the units themselves are checked on stdin above).
TEST(OrvToolReadTest, ReadsTheSimulatorInBothLayouts) {
    const struct {
        const char* layout;
        const char* serial;
        const char* unit;
        const char* txtTemp;
        const char* txtTp;
    } cases[] = {
        {"F", "SIM00042", "F", "69.8 °F", "50.3  °F"},
        {"H", "", "K", "294.1 K", "283.3  K"}, // 21 + 273.15 is 294.149994 as a float
    };
    for (const auto& c : cases) {
        const test::Simulator sim({"--rate", "50", "--temp", "21", "--rh", "50", "--layout",
                                   c.layout, "--serial-number", "SIM00042"});
        ASSERT_NE(sim.address, "");
        const Result r = runTool({"read", "--tcp", sim.address, "--unit", c.unit, "--count", "1"});
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(r.lines.size(), 1U);
        const std::string& line = r.lines[0];
        SCOPED_TRACE(line);
        EXPECT_PRED2(test::contains, line, R"("valid":true)");
        EXPECT_PRED2(test::contains, line, std::string(R"("txtTemp":")") + c.txtTemp + '"');
        EXPECT_PRED2(test::contains, line, R"("txtRH":"50.0 %")");
        EXPECT_PRED2(test::contains, line, std::string(R"("txtTp":")") + c.txtTp + '"');
        EXPECT_PRED2(test::contains, line, std::string(R"("serial":")") + c.serial + '"');
    }
}

// The tool may open its side a little later, so frames go out until it has printed some; then
// the device goes away under it, which is a lost link.
TEST(OrvToolReadTest, ReadsFromASerialPtyUntilItVanishes) {
    if (!test::socatAvailable()) {
        GTEST_SKIP() << "socat is not installed";
    }
    test::TempDir dir;
    auto pty = std::make_unique<test::PtyPair>(dir);
    ASSERT_TRUE(pty->ready());
    const std::string device = pty->b;
    test::Process tool({ORV_TOOL_PATH, "read", "--serial", device, "--count", "100000"});
    const int fd = ::open(pty->a.c_str(), O_WRONLY | O_NOCTTY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 200 && test::linesOf(tool.out()).size() < 3; ++i) {
        (void)!::write(fd, kF.data(), kF.size());
        std::this_thread::sleep_for(20ms);
    }
    ::close(fd);
    const auto lines = test::linesOf(tool.out());
    ASSERT_GE(lines.size(), 3U) << tool.err();
    EXPECT_EQ(lines[0], kFLine);
    EXPECT_EQ(lines[1], kFLine);
    pty.reset(); // socat ends: both ptys go away under the reader
    EXPECT_EQ(tool.wait(), 1);
    EXPECT_PRED2(test::contains, tool.errLine(), "orv-tool: read: lost the link to " + device);
    EXPECT_EQ(test::linesOf(tool.err()).size(), 1U) << tool.err();
}

TEST(OrvToolReadTest, DewpointPrintsFullPrecision) {
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

TEST(OrvToolReadTest, BadArgumentsAndSourcesExitWithOneLine) {
    const std::string closed = test::closedLoopbackAddress();

    // clang-format off
    const std::vector<test::Refusal> cases = {
        {{"read", "--tcp", closed}, 1, "cannot connect to " + closed + ": Connection refused"},
        {{"read", "--file", "/no/f"}, 1, "cannot open /no/f: No such file or directory"},
        {{"read", "--serial", "/dev/null"}, 1,
         "cannot set up /dev/null as a serial port: Inappropriate ioctl for device"},
        {{"read", "--unit", "X"}, 2, "--unit wants C, F or K, not 'X'"},
        {{"read", "--chunk", "0"}, 2, "--chunk wants a whole number of at least 1, not '0'"},
        {{"read", "--timeout", "0"}, 2,
         "--timeout wants a number of seconds above 0 and at most 2000000, not '0'"},
        {{"read", "--timeout", "1,5"}, 2,
         "--timeout wants a number of seconds above 0 and at most 2000000, not '1,5'"},
        {{"read", "--timeout", "3000000"}, 2,
         "--timeout wants a number of seconds above 0 and at most 2000000, not '3000000'"},
        {{"read", "--count"}, 2, "--count needs a value"},
        {{"read", "--file", "a", "-"}, 2, "read takes one source, - is a second one"},
        {{"read", "--tcp", "localhost"}, 2, "--tcp wants HOST:PORT, not 'localhost'"},
        {{"read", "--verbose"}, 2, "read: unknown argument '--verbose' (see orv-tool read --help)"},
        {{"dewpoint", "21"}, 2, "dewpoint wants two numbers: T (°C) and RH (%)"},
        {{"dewpoint", "21", "5O"}, 2, "dewpoint: humidity '5O' is not a number"},
        {{"frobnicate"}, 2, "unknown command 'frobnicate' (see orv-tool --help)"},
    };
    // clang-format on
    test::expectRefusals({ORV_TOOL_PATH}, cases, "orv-tool: ", true);
    EXPECT_EQ(runTool({}).status, 2);
}

} // namespace
} // namespace orv
