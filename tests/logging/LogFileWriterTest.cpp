#include "logging/LogFileWriter.h"
#include "offline/LogLoader.h"
#include "support/TempDir.h"

#include "LoggerTestSupport.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace orv {
namespace {

std::string bytesAt(const std::string& s, std::size_t offset, std::size_t n) {
    return s.substr(offset, n);
}

template <typename T>
T valueAt(const std::string& s, std::size_t offset) {
    T v;
    std::memcpy(&v, s.data() + offset, sizeof v);
    return v;
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
    struct Case {
        char temp;
        char ch2;
    };
    // °F with dew point, kelvin with humidity, °C with humidity
    for (const Case c : {Case{'F', 'F'}, Case{'K', '%'}, Case{'C', '%'}}) {
        test::TempDir dir;
        const auto path = dir.file("a.dat");
        LogFileWriter w;
        ASSERT_TRUE(w.create(path, header(c.temp, c.ch2)));
        ASSERT_TRUE(w.append(21.5f, 48.25f));
        w.close();

        const std::string f = test::readFile(path);
        ASSERT_EQ(f.size(), 55u);
        EXPECT_EQ(valueAt<std::int32_t>(f, 0), 1);
        EXPECT_EQ(bytesAt(f, 4, 5), std::string(5, '\0'));
        EXPECT_EQ(bytesAt(f, 9, 5), "ORV32");
        EXPECT_EQ(f[14], '\0');
        EXPECT_EQ(f[15], c.temp);
        EXPECT_EQ(f[16], c.ch2);
        EXPECT_EQ(bytesAt(f, 17, 6), std::string(6, '\0'));
        EXPECT_EQ(valueAt<double>(f, 23), 38352.375);
        EXPECT_EQ(valueAt<float>(f, 31), 30.0f);
        EXPECT_EQ(bytesAt(f, 35, 8), "12345678");
        EXPECT_EQ(bytesAt(f, 43, 4), std::string(4, '\0'));
        EXPECT_EQ(valueAt<float>(f, 47), 21.5f);
        EXPECT_EQ(valueAt<float>(f, 51), 48.25f);
    }
}

TEST(LogFileWriter, TextFieldIsPaddedOrCutToEightBytes) {
    const std::pair<std::string, std::string> cases[] = {{"ABC", "ABC     "},
                                                         {"12345678901", "12345678"},
                                                         {"", "        "},
                                                         {"SN-00042", "SN-00042"}};
    for (const auto& [in, stored] : cases) {
        test::TempDir dir;
        LogFileWriter w;
        ASSERT_TRUE(w.create(dir.file("t.dat"), header('C', '%', in)));
        w.close();
        EXPECT_EQ(bytesAt(test::readFile(dir.file("t.dat")), 35, 8), stored) << in;
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

    const LoadResult r = loadLogFile(path);
    ASSERT_TRUE(std::holds_alternative<LogData>(r));
    const auto& log = std::get<LogData>(r);
    EXPECT_EQ(log.size(), 5);
    EXPECT_FALSE(log.truncated());
    EXPECT_EQ(log.header().recordCount, 5);
    EXPECT_EQ(log.header().startTime, 38352.375);
    EXPECT_EQ(log.header().interval, 30.0f);
    EXPECT_EQ(log.header().text, "SER     ");
    EXPECT_EQ(log.header().tempUnitText(), " K");
    EXPECT_EQ(log.header().ch2UnitText(), " %");
    for (std::size_t k = 0; k < records.size(); ++k) {
        const auto i = static_cast<std::int64_t>(k);
        EXPECT_EQ(std::memcmp(&records[k].temperature, &log.channel(Channel::Temperature)[k], 4),
                  0);
        EXPECT_EQ(std::memcmp(&records[k].channel2, &log.channel(Channel::Channel2)[k], 4), 0);
        EXPECT_DOUBLE_EQ(log.recordTime(i), 38352.375 + 30.0 * static_cast<double>(k) / 86400);
    }
}

TEST(LogFileWriter, CreateFailsInAMissingFolder) {
    test::TempDir dir;
    LogFileWriter w;
    EXPECT_FALSE(w.create(dir.file("no/such/folder.dat"), header('C', '%')));
    EXPECT_FALSE(w.isOpen());
    EXPECT_NE(w.lastError().find("No such file"), std::string::npos);
}

TEST(LogFileWriter, AFailedAppendCountsNothingAndCanBeRepeated) {
    test::TempDir dir;
    const auto path = dir.file("full.dat");
    LogFileWriter w;
    ASSERT_TRUE(w.create(path, header('C', '%')));
    ASSERT_TRUE(w.append(1.0f, 1.0f));
    {
        test::FileSizeLimit limit(47 + 8 + 4); // the next record only half fits
        EXPECT_FALSE(w.append(2.0f, 2.0f));
        EXPECT_EQ(w.recordCount(), 1);
        EXPECT_EQ(valueAt<std::int32_t>(test::readFile(path), 0), 1);
    }
    ASSERT_TRUE(w.append(2.0f, 2.0f));
    const std::string f = test::readFile(path);
    ASSERT_EQ(f.size(), 63u);
    EXPECT_EQ(valueAt<std::int32_t>(f, 0), 2);
    EXPECT_EQ(valueAt<float>(f, 55), 2.0f);
}

} // namespace
} // namespace orv
