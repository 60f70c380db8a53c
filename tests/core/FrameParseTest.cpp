#include "core/Clock.h"
#include "core/LocaleFormat.h"
#include "core/Measurement.h"
#include "core/OnlineData.h"
#include "CoreFakes.h"

#include <gtest/gtest.h>

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
    std::vector<std::string> fields; // of the last good frame; empty = no good frame
    bool decimalComma = false;
};

std::vector<ParseCase> parseCases() {
    const std::string h1 = "@T;+23.4;H;45.6;B8\r";
    const std::string f1 = fFrame("+023.45", "045.67");
    const std::string f2 = fFrame("-005.10", "099.99", "ABC-1234");
    const std::string h2 = hFrame("+19.9", "60.1");
    return {
        {"ShortHFrame", {h1}, FrameStatus::Good, h1, "", {"+23.4;", "45.6;", ""}},
        {"ChecksumLowerCase",
         {"@T;+23.4;H;45.6;b8\r"},
         FrameStatus::Good,
         "@T;+23.4;H;45.6;b8\r",
         "",
         {"+23.4;", "45.6;", ""}},
        {"ChecksumOffByOne",
         {"@T;+23.4;H;45.6;B9\r"},
         FrameStatus::BadChecksum,
         "@T;+23.4;H;45.6;B9\r",
         "",
         {}},
        {"ChecksumNotHexIsNeverGood", // the sum of this body wants checksum 00
         {frameOf("@T;+023.45;C;F;045.67;%;S/N;SIMARZZZ;"),
          "@T;+023.45;C;F;045.67;%;S/N;SIMARZZZ;ZZ\r"},
         FrameStatus::BadChecksum,
         "@T;+023.45;C;F;045.67;%;S/N;SIMARZZZ;ZZ\r",
         "",
         {"+023.45", "045.67", "SIMARZZZ"}},
        {"Length22Refused", {"@T;+23.45;H;045.67;00\r"}, FrameStatus::Refused, "", "", {}},
        {"Length41Refused",
         {"@T;+023.45;C;F;045.67;%;S/N;SIM000012;00\r"},
         FrameStatus::Refused,
         "",
         "",
         {}},
        {"FLayoutSerialAt29", {f1}, FrameStatus::Good, f1, "", {"+023.45", "045.67", "SIM00001"}},
        {"FLayoutErrorCode",
         {fFrame("A03    ", "045.67")},
         FrameStatus::Good,
         fFrame("A03    ", "045.67"),
         "",
         {"A03    ", "045.67", "SIM00001"}},
        {"HLayoutErrorCodes",
         {frameOf("@T;A03;H;A05;")},
         FrameStatus::Good,
         frameOf("@T;A03;H;A05;"),
         "",
         {"A03", "A05", ""}},
        {"TwoFramesOneReadTakesTheNewest",
         {f1 + f2},
         FrameStatus::Good,
         f2,
         "",
         {"-005.10", "099.99", "ABC-1234"}},
        {"FrameSplitOverReads",
         {f1.substr(0, 17), f1.substr(17, 10), f1.substr(27)},
         FrameStatus::Good,
         f1,
         "",
         {"+023.45", "045.67", "SIM00001"}},
        {"HalfFrameWaits",
         {f2 + f1.substr(0, 17)},
         FrameStatus::Good,
         f2,
         f1.substr(0, 17),
         {"-005.10", "099.99", "ABC-1234"}},
        {"NoCrYet", {f1.substr(0, 39)}, FrameStatus::NoFrame, "", f1.substr(0, 39), {}},
        {"CrLfLeavesTheLf",
         {hFrame("+19.9", "60.1", "\r\n")},
         FrameStatus::Good,
         hFrame("+19.9", "60.1", "\r"),
         "\n",
         {"+19.9;", "60.1;", ""}},
        {"CrLfPairWinsOverALaterLoneCr",
         {hFrame("+19.9", "60.1", "\r\n") + f1},
         FrameStatus::Good,
         h2,
         "\n" + f1,
         {"+19.9;", "60.1;", ""}},
        {"LoneCrFrameTakenWhenItsLfArrives",
         {hFrame("+19.9", "60.1", "\r\n") + f1, "\n"},
         FrameStatus::Good,
         f1,
         "\n",
         {"+023.45", "045.67", "SIM00001"}},
        {"CrWithoutStartMarkerWaits", {"noise\r\n"}, FrameStatus::NoFrame, "", "noise\r\n", {}},
        {"NoiseIsDroppedByTheNextFrame",
         {"noise\r\n", "xx" + h2},
         FrameStatus::Good,
         h2,
         "",
         {"+19.9;", "60.1;", ""}},
        {"DecimalCommaBecomesPoint",
         {hFrame("+23,4", "45,6")},
         FrameStatus::Good,
         hFrame("+23,4", "45,6"),
         "",
         {"+23.4;", "45.6;", ""}},
        {"DecimalCommaKeptForCommaLocale",
         {hFrame("+23,4", "45,6")},
         FrameStatus::Good,
         hFrame("+23,4", "45,6"),
         "",
         {"+23,4;", "45,6;", ""},
         true},
        // Without markers the cuts start at position 2 and run into the checksum and CR.
        {"MarkersMissing", {"@Tx33\r"}, FrameStatus::Good, "@Tx33\r", "", {"Tx33\r", "Tx33\r", ""}},
        {"StrayCrLfDoesNotHoldBackLoneCrFrames",
         {"noise\r\n", h2, f1},
         FrameStatus::Good,
         f1,
         "",
         {"+023.45", "045.67", "SIM00001"}},
    };
}

class FrameParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FrameParseTest, NewestFrameIsCutCheckedAndSplit) {
    const ParseCase& c = GetParam();
    EnglishFormat locale;
    test::FakeTexts texts(false);
    ManualClock clock;
    test::FakeLink link;
    Measurement m(locale, texts, clock, link);
    m.settings().DecimalComma = c.decimalComma;

    FrameStatus status = FrameStatus::NoFrame;
    for (const auto& chunk : c.chunks) {
        status = m.ParseFrame(chunk);
    }
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(m.receivedFrame(), c.frame);
    EXPECT_EQ(m.RxBuffer(), c.rxAfter);
    EXPECT_EQ(m.FrameValid(), c.status == FrameStatus::Good);
    if (c.fields.empty()) {
        EXPECT_FALSE(m.FrameReceived());
    } else {
        ASSERT_TRUE(m.FrameReceived());
        EXPECT_EQ(m.fields().temperature, c.fields[0]);
        EXPECT_EQ(m.fields().humidity, c.fields[1]);
        EXPECT_EQ(m.fields().serial, c.fields[2]);
    }
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameParseTest, ::testing::ValuesIn(parseCases()),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace orv
