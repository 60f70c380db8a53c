#include "core/SensorFrames.h"
#include "core/FrameChecksum.h"
#include "core/FrameParser.h"
#include "support/CLocale.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace orv {
namespace {

SensorFrame reading(FrameLayout layout, double t, double rh) {
    SensorFrame frame;
    frame.layout = layout;
    frame.temperature.value = t;
    frame.humidity.value = rh;
    return frame;
}

TEST(SensorFrames, BothLayoutsHaveTheirDocumentedShape) {
    EXPECT_EQ(buildSensorFrame(reading(FrameLayout::H, 23.4, 45.6), "\r"), "@T;+23.4;H;45.6;B8\r");
    // Length, terminator and checksum of F frames are checked with the parser below.
    EXPECT_EQ(sensorFrameBody(reading(FrameLayout::F, 23.45, 45.67)),
              "@T;+023.45;C;F;045.67;%;S/N;SIM00001;");
}

struct FieldCase {
    const char* name;
    FrameLayout layout;
    double temperature;
    double humidity;
    const char* temperatureError;
    const char* humidityError;
    bool decimalComma;
    const char* serial;
    FrameFields expected;
};

// clang-format off
const FieldCase kFieldCases[] = {
    {"F plain", FrameLayout::F, 21.0, 50.0, "", "", false, "SIM00001",
     {"+021.00", "050.00", "SIM00001"}},
    {"F negative", FrameLayout::F, -5.125, 3.2, "", "", false, "AB-12/.#",
     {"-005.13", "003.20", "AB-12/.#"}},
    {"F tiny negative is zero", FrameLayout::F, -0.001, 0.0, "", "", false, "SIM00001",
     {"+000.00", "000.00", "SIM00001"}},
    {"F extremes clamp", FrameLayout::F, 12345.0, -500.0, "", "", false, "SIM00001",
     {"+999.90", "-99.90", "SIM00001"}},
    {"F decimal comma", FrameLayout::F, 23.45, 45.67, "", "", true, "SIM00001",
     {"+023,45", "045,67", "SIM00001"}},
    {"F temperature error", FrameLayout::F, 23.45, 45.67, "A03", "", false, "SIM00001",
     {"A03    ", "045.67", "SIM00001"}},
    {"F both errors", FrameLayout::F, 0, 0, "A01", "AF2", false, "SN000042",
     {"A01    ", "AF2   ", "SN000042"}},
    {"H plain", FrameLayout::H, 23.4, 45.6, "", "", false, "", {"+23.4;", "45.6;", ""}},
    {"H negative", FrameLayout::H, -5.25, 5.0, "", "", false, "", {"-05.3;", "05.0;", ""}},
    {"H widest", FrameLayout::H, 999.9, 100.0, "", "", false, "", {"+999.9", "100.0", ""}},
    {"H decimal comma", FrameLayout::H, 23.4, 45.6, "", "", true, "", {"+23,4;", "45,6;", ""}},
    {"H temperature error", FrameLayout::H, 0, 45.6, "A03", "", false, "", {"A03", "45.6;", ""}},
    {"H humidity error", FrameLayout::H, 23.4, 0, "", "A10", false, "", {"+23.4;", "A10", ""}},
};
// clang-format on

SensorFrame frameOf(const FieldCase& c) {
    SensorFrame frame = reading(c.layout, c.temperature, c.humidity);
    frame.temperature.errorCode = c.temperatureError;
    frame.humidity.errorCode = c.humidityError;
    frame.decimalComma = c.decimalComma;
    if (c.layout == FrameLayout::F) {
        frame.serialNumber = c.serial;
    }
    return frame;
}

// The fields keep their point whatever the C library's locale (a German LC_NUMERIC must not
// turn it into a comma); a decimal comma is the frame's own choice.
TEST(SensorFrames, TheFrameParserCutsWhatTheBuilderSendsUnderEveryCLocale) {
    for (const char* cLocale : {"C", test::kDesktopLocales[0], test::kDesktopLocales[1]}) {
        const test::ScopedCLocale scoped(cLocale);
        ASSERT_TRUE(scoped.ok());
        SCOPED_TRACE(cLocale);
        for (const FieldCase& c : kFieldCases) {
            SCOPED_TRACE(c.name);
            for (const char* terminator : {"\r", "\r\n"}) {
                const std::string text = buildSensorFrame(frameOf(c), terminator);
                const std::size_t length = text.find('\r') + 1;
                EXPECT_EQ(text.substr(length), std::string(terminator).substr(1));
                if (c.layout == FrameLayout::F) {
                    EXPECT_EQ(length, kLongFrameLength);
                    EXPECT_EQ(text.substr(kSerialNumberPosition - 1, 8), c.serial);
                } else {
                    EXPECT_LE(length, kMaxShortFrame);
                }

                // The parser finds frames by their "@T" and CR; splitting and search are its own
                // tests.
                const std::string frame = text.substr(0, length);
                EXPECT_TRUE(frame.starts_with("@T"));
                EXPECT_TRUE(frameLengthAccepted(length));
                EXPECT_TRUE(frameChecksumMatches(frame)) << frame;
                FrameFields fields;
                cutFrameFields(frame, fields);
                EXPECT_EQ(fields.temperature, c.expected.temperature);
                EXPECT_EQ(fields.humidity, c.expected.humidity);
                EXPECT_EQ(fields.serial, c.expected.serial);
            }
        }
    }
}

TEST(SensorFrames, BadChecksumDiffersFromTheGoodOneInBothLayouts) {
    for (const FrameLayout layout : {FrameLayout::F, FrameLayout::H}) {
        SensorFrame frame = reading(layout, 22.0, 45.0);
        const std::string good = buildSensorFrame(frame, "\r");
        frame.badChecksum = true;
        const std::string bad = buildSensorFrame(frame, "\r");
        ASSERT_EQ(good.size(), bad.size());
        EXPECT_EQ(good.substr(0, good.size() - 3), bad.substr(0, bad.size() - 3));
        EXPECT_TRUE(frameChecksumMatches(good));
        EXPECT_FALSE(frameChecksumMatches(bad));
    }
}

TEST(SensorFrames, RefusesTextsThatWouldBreakTheFrame) {
    for (const char* serial :
         {"SIM0001", "SIM000001", "SIM;0001", "SIM@0001", "SIM,0001", "SIM 0001", "H;000000"}) {
        EXPECT_TRUE(checkSerialNumber(serial).has_value()) << serial;
        SensorFrame frame = reading(FrameLayout::F, 1, 2);
        frame.serialNumber = serial;
        EXPECT_THROW((void)buildSensorFrame(frame), std::invalid_argument) << serial;
    }
    EXPECT_FALSE(checkSerialNumber("ab-12_./").has_value());

    for (const char* code : {"A3", "A003", "B03", "a03", "A0;", ""}) {
        EXPECT_TRUE(checkErrorCode(code).has_value()) << code;
    }
    SensorFrame frame = reading(FrameLayout::H, 1, 2);
    frame.humidity.errorCode = "A;1";
    EXPECT_THROW((void)buildSensorFrame(frame), std::invalid_argument);
}

} // namespace
} // namespace orv
