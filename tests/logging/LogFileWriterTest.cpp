#include "logging/LogFileWriter.h"
#include "offline/LogTestData.h"
#include "support/TempDir.h"

#include "LoggerTestSupport.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

namespace orv {
namespace {

// The bytes of a value as the file stores it (little-endian, like the machine).
template <typename T>
std::string bytesOf(T v) {
    return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

LogHeader header(char temp, char ch2, std::string text = "12345678") {
    LogHeader h;
    h.tempUnitCode = temp;
    h.ch2UnitCode = ch2;
    h.startTime = 38352.375; // 2004-12-31 09:00
    h.interval = 30.0f;
    h.text = std::move(text);
    return h;
}

TEST(LogFileWriter, HeaderBytesForEachUnitChoice) {
    // °F with dew point, kelvin with humidity, °C with humidity; the text field is padded or cut
    // to eight bytes
    const std::tuple<char, char, const char*, const char*> cases[] = {
        {'F', 'F', "ABC", "ABC     "},
        {'K', '%', "12345678901", "12345678"},
        {'C', '%', "", "        "},
    };
    for (const auto& [temp, ch2, text, stored] : cases) {
        test::TempDir dir;
        const auto path = dir.file("a.dat");
        LogFileWriter w;
        ASSERT_TRUE(w.create(path, header(temp, ch2, text)));
        ASSERT_TRUE(w.append(21.5f, 48.25f));
        w.close();

        // count, magic, unit codes, start time, interval, text field, then the record
        const std::string zeros(8, '\0');
        EXPECT_EQ(test::readFile(path), bytesOf<std::int32_t>(1) + zeros.substr(0, 5) + "ORV32" +
                                            '\0' + temp + ch2 + zeros.substr(0, 6) +
                                            bytesOf(38352.375) + bytesOf(30.0f) + stored +
                                            zeros.substr(0, 4) + bytesOf(21.5f) + bytesOf(48.25f));
    }
}

TEST(LogFileWriter, ReplacesAnExistingFileCompletely) {
    test::TempDir dir;
    const auto path = dir.file("old.dat");
    test::writeFile(path, std::string(47 + 8 * 1000, 'x'));
    LogFileWriter w;
    ASSERT_TRUE(w.create(path, header('C', '%')));
    ASSERT_TRUE(w.append(1.0f, 2.0f));
    EXPECT_EQ(std::filesystem::file_size(path), 55u);
}

TEST(LogFileWriter, RoundTripThroughTheLoader) {
    test::TempDir dir;
    const auto path = dir.file("rt.dat");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<LogRecord> records = {
        {20.25f, 45.5f}, {nan, nan}, {-40.0f, 0.01f}, {1e30f, -0.0f}, {273.15f, 100.0f}};
    LogFileWriter w;
    ASSERT_TRUE(w.create(path, header('K', '%', "SER")));
    ASSERT_TRUE(w.append(std::span(records).first(2)));
    ASSERT_TRUE(w.append(std::span(records).subspan(2)));
    EXPECT_EQ(w.recordCount(), 5);
    w.close();

    const LogData log = test::loadOrFail(path);
    EXPECT_EQ(log.size(), 5);
    EXPECT_FALSE(log.truncated());
    EXPECT_EQ(log.header().recordCount, 5);
    EXPECT_EQ(log.header().startTime, 38352.375);
    EXPECT_EQ(log.header().interval, 30.0f);
    EXPECT_EQ(log.header().text, "SER     ");
    EXPECT_EQ(log.header().tempUnitText(), " K");
    EXPECT_EQ(log.header().ch2UnitText(), " %");
    EXPECT_DOUBLE_EQ(log.recordTime(4), 38352.375 + 30.0 * 4 / 86400);
    // bit for bit: NaN stays NaN, -0 stays -0
    for (std::size_t k = 0; k < records.size(); ++k) {
        EXPECT_EQ(std::memcmp(&records[k].temperature, &log.channel(Channel::Temperature)[k], 4),
                  0);
        EXPECT_EQ(std::memcmp(&records[k].channel2, &log.channel(Channel::Channel2)[k], 4), 0);
    }
}

TEST(LogFileWriter, FailuresCountNothingAndCanBeRepeated) {
    test::TempDir dir;
    LogFileWriter w;
    EXPECT_FALSE(w.create(dir.file("no/such/folder.dat"), header('C', '%')));
    EXPECT_FALSE(w.isOpen());
    EXPECT_NE(w.lastError().find("No such file"), std::string::npos);

    const auto path = dir.file("full.dat");
    ASSERT_TRUE(w.create(path, header('C', '%')));
    ASSERT_TRUE(w.append(1.0f, 1.0f));
    {
        test::FileSizeLimit limit(47 + 8 + 4); // the next record only half fits
        EXPECT_FALSE(w.append(2.0f, 2.0f));
        EXPECT_EQ(w.recordCount(), 1);
        EXPECT_EQ(test::readFile(path).substr(0, 4), bytesOf<std::int32_t>(1));
    }
    ASSERT_TRUE(w.append(2.0f, 2.0f));
    const std::string f = test::readFile(path);
    EXPECT_EQ(f.substr(0, 4), bytesOf<std::int32_t>(2));
    EXPECT_EQ(f.substr(47 + 8), bytesOf(2.0f) + bytesOf(2.0f));
}

} // namespace
} // namespace orv
