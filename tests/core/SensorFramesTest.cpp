#include "core/SensorFrames.h"
#include "core/FrameChecksum.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace orv {
namespace {

// The receiving side's rules, applied independently of the builder: markers searched from
// their fixed starting positions, fields cut at fixed widths, the serial number at 29.
struct Cut {
    std::string temperature;
    std::string humidity;
    std::string serial;
};

std::string cutAt(const std::string& frame, std::size_t pos1, std::size_t count) {
    if (pos1 == 0 || pos1 > frame.size()) {
        return {};
    }
    return frame.substr(pos1 - 1, count);
}

std::size_t findFrom(const std::string& frame, const char* marker, std::size_t from1) {
    const auto at = frame.find(marker, from1 - 1);
    return at == std::string::npos ? 0 : at + 1;
}

Cut cutFields(const std::string& frame) {
    const std::size_t t = findFrom(frame, "T;", 1);
    const std::size_t f = findFrom(frame, "F;", 14);
    const std::size_t h = findFrom(frame, "H;", 7);
    if (h == 0) {
        return {cutAt(frame, t + 2, 7), cutAt(frame, f + 2, 6), cutAt(frame, 29, 8)};
    }
    const auto width = [&](std::size_t p, std::size_t normal) {
        return cutAt(frame, p, 1) == "A" ? std::size_t{3} : normal;
    };
    return {cutAt(frame, t + 2, width(t + 2, 6)), cutAt(frame, h + 2, width(h + 2, 5)), ""};
}

// Recomputes the checksum from the frame text and compares it with the digits it carries.
bool checksumMatches(const std::string& frame) {
    const std::size_t cr = frame.find('\r');
    if (cr == std::string::npos || cr < 4) {
        return false;
    }
    const std::size_t length = cr + 1;
    const std::size_t first = length >= kMinLongFrame ? 0 : 1;
    unsigned sum = 0;
    for (std::size_t i = first; i < length - 3; ++i) {
        sum += static_cast<unsigned char>(frame[i]);
    }
    const long received = std::strtol(frame.substr(length - 3, 2).c_str(), nullptr, 16);
    return received == static_cast<long>(255 - sum % 256);
}

SensorFrame reading(FrameLayout layout, double t, double rh) {
    SensorFrame frame;
    frame.layout = layout;
    frame.temperature.value = t;
    frame.humidity.value = rh;
    return frame;
}

TEST(SensorFrames, HLayoutMatchesTheKnownExampleFrame) {
    EXPECT_EQ(buildSensorFrame(reading(FrameLayout::H, 23.4, 45.6), "\r"), "@T;+23.4;H;45.6;B8\r");
}

TEST(SensorFrames, FLayoutHasItsDocumentedShape) {
    const std::string frame = buildSensorFrame(reading(FrameLayout::F, 23.45, 45.67), "\r\n");
    EXPECT_EQ(frame.substr(0, 37), "@T;+023.45;C;F;045.67;%;S/N;SIM00001;");
    EXPECT_EQ(frame.size(), kLongFrameLength + 1); // LF behind the CR
    EXPECT_EQ(frame.substr(39), "\r\n");
    EXPECT_TRUE(checksumMatches(frame));
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
    Cut expected;
};

const FieldCase kFieldCases[] = {
    {"F plain",
     FrameLayout::F,
     21.0,
     50.0,
     "",
     "",
     false,
     "SIM00001",
     {"+021.00", "050.00", "SIM00001"}},
    {"F negative",
     FrameLayout::F,
     -5.125,
     3.2,
     "",
     "",
     false,
     "AB-12/.#",
     {"-005.13", "003.20", "AB-12/.#"}},
    {"F tiny negative is zero",
     FrameLayout::F,
     -0.001,
     0.0,
     "",
     "",
     false,
     "SIM00001",
     {"+000.00", "000.00", "SIM00001"}},
    {"F extremes clamp",
     FrameLayout::F,
     12345.0,
     -500.0,
     "",
     "",
     false,
     "SIM00001",
     {"+999.90", "-99.90", "SIM00001"}},
    {"F decimal comma",
     FrameLayout::F,
     23.45,
     45.67,
     "",
     "",
     true,
     "SIM00001",
     {"+023,45", "045,67", "SIM00001"}},
    {"F temperature error",
     FrameLayout::F,
     23.45,
     45.67,
     "A03",
     "",
     false,
     "SIM00001",
     {"A03    ", "045.67", "SIM00001"}},
    {"F both errors",
     FrameLayout::F,
     0,
     0,
     "A01",
     "AF2",
     false,
     "SN000042",
     {"A01    ", "AF2   ", "SN000042"}},
    {"H plain", FrameLayout::H, 23.4, 45.6, "", "", false, "", {"+23.4;", "45.6;", ""}},
    {"H negative", FrameLayout::H, -5.25, 5.0, "", "", false, "", {"-05.3;", "05.0;", ""}},
    {"H widest", FrameLayout::H, 999.9, 100.0, "", "", false, "", {"+999.9", "100.0", ""}},
    {"H decimal comma", FrameLayout::H, 23.4, 45.6, "", "", true, "", {"+23,4;", "45,6;", ""}},
    {"H temperature error", FrameLayout::H, 0, 45.6, "A03", "", false, "", {"A03", "45.6;", ""}},
    {"H humidity error", FrameLayout::H, 23.4, 0, "", "A10", false, "", {"+23.4;", "A10", ""}},
};

TEST(SensorFrames, FieldsLandWhereTheParserCutsThem) {
    for (const FieldCase& c : kFieldCases) {
        SCOPED_TRACE(c.name);
        SensorFrame frame = reading(c.layout, c.temperature, c.humidity);
        frame.temperature.errorCode = c.temperatureError;
        frame.humidity.errorCode = c.humidityError;
        frame.decimalComma = c.decimalComma;
        if (c.layout == FrameLayout::F) {
            frame.serialNumber = c.serial;
        }
        for (const char* terminator : {"\r", "\r\n"}) {
            const std::string text = buildSensorFrame(frame, terminator);
            const std::size_t length = text.find('\r') + 1;
            if (c.layout == FrameLayout::F) {
                EXPECT_EQ(length, kLongFrameLength);
            } else {
                EXPECT_LE(length, kMaxShortFrame);
            }
            EXPECT_FALSE(isRefusedFrameLength(length));
            EXPECT_EQ(text.substr(length), std::string(terminator).substr(1));
            EXPECT_TRUE(checksumMatches(text)) << text;
            const Cut cut = cutFields(text);
            EXPECT_EQ(cut.temperature, c.expected.temperature);
            EXPECT_EQ(cut.humidity, c.expected.humidity);
            EXPECT_EQ(cut.serial, c.expected.serial);
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
        EXPECT_TRUE(checksumMatches(good));
        EXPECT_FALSE(checksumMatches(bad));
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
