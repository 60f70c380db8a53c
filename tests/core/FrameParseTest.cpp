#include "CoreFakes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace orv {
namespace {

using test::fFrame;
using test::frameOf;
using test::hFrame;

struct ParseCase {
    const char* name;
    std::vector<std::string> chunks;
    FrameStatus status; // of the last chunk
    std::string frame;  // receivedFrame() afterwards ("" = none passed the length check)
    std::string rxAfter;
    std::string fields; // "temperature|humidity|serial" of the last good frame, "" = none
    bool decimalComma = false;
};

// Test names carry the case name; print only that, so ctest lists stable names.
void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<ParseCase> parseCases() {
    const std::string h1 = "@T;+23.4;H;45.6;B8\r";
    const std::string f1 = fFrame("+023.45", "045.67");
    const std::string f1Fields = "+023.45|045.67|SIM00001";
    const std::string f2 = fFrame("-005.10", "099.99", "ABC-1234");
    const std::string h2 = hFrame("+19.9", "60.1");
    const std::string h2CrLf = hFrame("+19.9", "60.1", "\r\n");
    const std::string comma = hFrame("+23,4", "45,6");
    const std::string zeroChecksum = "@T;+023.45;C;F;045.67;%;S/N;SIMARZZZ;"; // sum wants "00"
    const std::string errors = frameOf("@T;A03;H;A05;");
    constexpr auto Good = FrameStatus::Good;
    constexpr auto Bad = FrameStatus::BadChecksum;
    constexpr auto Refused = FrameStatus::Refused;
    constexpr auto None = FrameStatus::NoFrame;
    // clang-format off
    return {
        {"ShortHFrame", {h1}, Good, h1, "", "+23.4;|45.6;|"},
        {"ChecksumLowerCase", {"@T;+23.4;H;45.6;b8\r"}, Good, "@T;+23.4;H;45.6;b8\r", "", "+23.4;|45.6;|"},
        {"ChecksumOffByOne", {"@T;+23.4;H;45.6;B9\r"}, Bad, "@T;+23.4;H;45.6;B9\r", "", ""},
        {"ChecksumNotHexIsNeverGood", {frameOf(zeroChecksum), zeroChecksum + "ZZ\r"}, Bad,
         zeroChecksum + "ZZ\r", "", "+023.45|045.67|SIMARZZZ"},
        {"Length22Refused", {"@T;+23.45;H;045.67;00\r"}, Refused, "", "", ""},
        {"Length41Refused", {"@T;+023.45;C;F;045.67;%;S/N;SIM000012;00\r"}, Refused, "", "", ""},
        {"FLayoutSerialAt29", {f1}, Good, f1, "", f1Fields},
        {"FLayoutErrorCode", {fFrame("A03    ", "045.67")}, Good, fFrame("A03    ", "045.67"), "",
         "A03    |045.67|SIM00001"},
        {"HLayoutErrorCodes", {errors}, Good, errors, "", "A03|A05|"},
        {"TwoFramesOneReadTakesTheNewest", {f1 + f2}, Good, f2, "", "-005.10|099.99|ABC-1234"},
        {"FrameSplitOverReads", {f1.substr(0, 17), f1.substr(17, 10), f1.substr(27)}, Good, f1, "", f1Fields},
        {"HalfFrameWaits", {f2 + f1.substr(0, 17)}, Good, f2, f1.substr(0, 17), "-005.10|099.99|ABC-1234"},
        {"CrLfPairWinsOverALaterLoneCr", {h2CrLf + f1}, Good, h2, "\n" + f1, "+19.9;|60.1;|"},
        {"LoneCrFrameTakenWhenItsLfArrives", {h2CrLf + f1, "\n"}, Good, f1, "\n", f1Fields},
        {"CrWithoutStartMarkerWaits", {"noise\r\n"}, None, "", "noise\r\n", ""},
        {"NoiseIsDroppedByTheNextFrame", {"noise\r\n", "xx" + h2}, Good, h2, "", "+19.9;|60.1;|"},
        {"StrayCrLfDoesNotHoldBackLoneCrFrames", {"noise\r\n", h2, f1}, Good, f1, "", f1Fields},
        {"DecimalCommaBecomesPoint", {comma}, Good, comma, "", "+23.4;|45.6;|"},
        {"DecimalCommaKeptForCommaLocale", {comma}, Good, comma, "", "+23,4;|45,6;|", true},
        // Without markers the cuts start at position 2 and run into the checksum and CR.
        {"MarkersMissing", {"@Tx33\r"}, Good, "@Tx33\r", "", "Tx33\r|Tx33\r|"},
    };
    // clang-format on
}

class FrameParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FrameParseTest, NewestFrameIsCutCheckedAndSplit) {
    const ParseCase& c = GetParam();
    test::MeasurementRig rig;
    Measurement& m = rig.m;
    m.settings().DecimalComma = c.decimalComma;

    FrameStatus status = FrameStatus::NoFrame;
    for (const auto& chunk : c.chunks) {
        status = m.ParseFrame(chunk);
    }
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(m.receivedFrame(), c.frame);
    EXPECT_EQ(m.RxBuffer(), c.rxAfter);
    EXPECT_EQ(m.FrameValid(), c.status == FrameStatus::Good);
    EXPECT_EQ(m.FrameReceived(), !c.fields.empty());
    if (m.FrameReceived()) {
        const FrameFields& f = m.fields();
        EXPECT_EQ(f.temperature + "|" + f.humidity + "|" + f.serial, c.fields);
    }
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameParseTest, ::testing::ValuesIn(parseCases()),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace orv
