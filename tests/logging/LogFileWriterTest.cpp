#include "logging/LogFileWriter.h"
#include "offline/LogTestData.h"
#include "support/TempDir.h"

#include "LoggerTestSupport.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>
#include <tuple>
#include <vector>

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
        const float temperature = log.value(Channel::Temperature, static_cast<std::int64_t>(k));
        const float channel2 = log.value(Channel::Channel2, static_cast<std::int64_t>(k));
        EXPECT_EQ(std::memcmp(&records[k].temperature, &temperature, 4), 0);
        EXPECT_EQ(std::memcmp(&records[k].channel2, &channel2, 4), 0);
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

// The writer's system calls in the order they reach the disk, each named by what it touches:
// "write 16@47" (bytes at an offset of the log file), "sync file", "sync folder". The real calls
// still run, so the file on disk is the one a real recording leaves. `failAt` makes the call with
// that index fail once with `failWith` instead (EINTR: the writer must simply retry).
struct DiskTrace {
    explicit DiskTrace(std::filesystem::path logFile) : file(std::move(logFile)) {}

    std::filesystem::path file;
    std::vector<std::string> calls;
    std::size_t failAt = std::numeric_limits<std::size_t>::max();
    int failWith = EIO;

    std::string nameOf(int fd) const {
        struct stat seen {};
        struct stat st {};
        if (::fstat(fd, &seen) != 0) {
            return "?";
        }
        if (::stat(file.c_str(), &st) == 0 && st.st_ino == seen.st_ino) {
            return "file";
        }
        if (::stat(file.parent_path().c_str(), &st) == 0 && st.st_ino == seen.st_ino) {
            return "folder";
        }
        return "other";
    }
    bool failsNow() {
        if (calls.size() - 1 == failAt) {
            calls.back() += " fails";
            errno = failWith;
            return true;
        }
        return false;
    }

    LogFileSystemCalls systemCalls() {
        LogFileSystemCalls c;
        c.pwrite = [this](int fd, const void* data, std::size_t size, off_t offset) -> ssize_t {
            calls.push_back("write " + std::to_string(size) + "@" + std::to_string(offset) +
                            (nameOf(fd) == "file" ? "" : " elsewhere"));
            return failsNow() ? -1 : ::pwrite(fd, data, size, offset);
        };
        c.fdatasync = [this](int fd) {
            calls.push_back("sync " + nameOf(fd));
            return failsNow() ? -1 : ::fdatasync(fd);
        };
        c.fsync = [this](int fd) {
            calls.push_back("sync " + nameOf(fd));
            return failsNow() ? -1 : ::fsync(fd);
        };
        return c;
    }
};

using Calls = std::vector<std::string>;

TEST(LogFileWriter, EachRecordReachesTheDiskBeforeTheCountThatCoversIt) {
    test::TempDir dir;
    DiskTrace trace(dir.file("crash.dat"));
    LogFileWriter w(trace.systemCalls());

    // The header (count 0), then the folder entry: a power cut can no longer lose the file.
    ASSERT_TRUE(w.create(trace.file, header('C', '%')));
    EXPECT_EQ(trace.calls, (Calls{"write 47@0", "sync file", "sync folder"}));

    // Records, sync, count, sync; a later append goes behind the counted records.
    const std::vector<LogRecord> two = {{1.0f, 2.0f}, {3.0f, 4.0f}};
    trace.calls.clear();
    ASSERT_TRUE(w.append(two));
    ASSERT_TRUE(w.append(5.0f, 6.0f));
    EXPECT_EQ(trace.calls, (Calls{"write 16@47", "sync file", "write 4@0", "sync file",
                                  "write 8@63", "sync file", "write 4@0", "sync file"}));
    EXPECT_EQ(test::readFile(trace.file).substr(0, 4), bytesOf<std::int32_t>(3));
}

TEST(LogFileWriter, AFailedSyncCountsNothing) {
    // Call index within one append: 0 records, 1 their sync, 2 count, 3 its sync.
    const std::tuple<const char*, std::size_t, int, Calls, bool> cases[] = {
        {"records not synced: the count stays", 1, EIO, Calls{"write 8@55", "sync file fails"},
         false},
        {"count not synced", 3, EIO,
         Calls{"write 8@55", "sync file", "write 4@0", "sync file fails"}, false},
        {"a sync interrupted by a signal is repeated", 1, EINTR,
         Calls{"write 8@55", "sync file fails", "sync file", "write 4@0", "sync file"}, true},
        {"an interrupted write is repeated", 0, EINTR,
         Calls{"write 8@55 fails", "write 8@55", "sync file", "write 4@0", "sync file"}, true},
    };
    for (const auto& [name, failAt, failWith, expected, appended] : cases) {
        test::TempDir dir;
        DiskTrace trace(dir.file("f.dat"));
        LogFileWriter w(trace.systemCalls());
        ASSERT_TRUE(w.create(trace.file, header('C', '%')));
        ASSERT_TRUE(w.append(1.0f, 1.0f));
        trace.calls.clear();
        trace.failAt = failAt;
        trace.failWith = failWith;

        EXPECT_EQ(w.append(2.0f, 2.0f), appended) << name;
        EXPECT_EQ(trace.calls, expected) << name;
        EXPECT_EQ(w.recordCount(), appended ? 2 : 1) << name;
        if (!appended) {
            EXPECT_NE(w.lastError().find(failAt == 0 ? "write" : "fdatasync"), std::string::npos)
                << name << ": " << w.lastError();
            // Nothing was counted, so the same record is simply appended again.
            trace.failAt = std::numeric_limits<std::size_t>::max();
            ASSERT_TRUE(w.append(2.0f, 2.0f)) << name;
            EXPECT_EQ(test::readFile(trace.file).size(), 47u + 2 * 8) << name;
        }
    }
}

TEST(LogFileWriter, AFileWhoseHeaderIsNotOnDiskIsNoRecording) {
    test::TempDir dir;
    DiskTrace trace(dir.file("h.dat"));
    trace.failAt = 1; // the header's sync
    LogFileWriter w(trace.systemCalls());
    EXPECT_FALSE(w.create(trace.file, header('C', '%')));
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(trace.calls, (Calls{"write 47@0", "sync file fails"}));
    EXPECT_FALSE(w.append(1.0f, 1.0f));
}

} // namespace
} // namespace orv
