#include "logging/LogFormat.h"
#include "offline/LogFile.h"

#include "LogTestData.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

namespace orv {
namespace {

// A log file as bytes: header with the given count, then `records` records k -> (k, -k).
std::string logBytes(std::int32_t count, std::int64_t records, float interval = 60.0f,
                     double start = 38352.0) {
    LogHeader h;
    h.recordCount = count;
    h.startTime = start;
    h.interval = interval;
    const auto head = encodeLogHeader(h);
    std::string s(head.begin(), head.end());
    for (std::int64_t k = 0; k < records; ++k) {
        unsigned char r[8];
        encodeLogRecord(r, static_cast<float>(k), static_cast<float>(-k));
        s.append(reinterpret_cast<const char*>(r), 8);
    }
    return s;
}

// 9999-12-31 23:59:59, the last second a date text can show, and 0100-01-01 00:00:00, the first.
constexpr double kLastSecondOf9999 = 2958465.0 + 86399.0 / 86400;
constexpr double kFirstDayOf100 = -657434.0;
constexpr double kSecond = 1.0 / 86400;

// `bytes` with the byte at `offset` replaced.
std::string withByte(std::string bytes, std::size_t offset, char value) {
    bytes.replace(offset, 1, 1, value);
    return bytes;
}

LoadResult loadString(const std::string& s) {
    return loadLogBytes({reinterpret_cast<const unsigned char*>(s.data()), s.size()});
}

// The same bytes as a file, loaded: mapped, or read into memory as where it cannot be mapped. The
// folder is gone afterwards; a mapped log keeps the removed file's pages.
LoadResult loadFileString(const std::string& s, bool readIntoMemory) {
    test::TempDir dir;
    test::writeFile(dir.file("log.dat"), s);
    LoadTuning tuning;
    tuning.readIntoMemory = readIntoMemory;
    return loadLogFile(dir.file("log.dat"), nullptr, tuning);
}

// The same bytes as a file opened for reading on demand: it judges the header exactly as the
// loader does (same kind, same detail) and knows the same records.
std::variant<LogFile, LoadError> openString(const std::string& s) {
    test::TempDir dir;
    test::writeFile(dir.file("log.dat"), s);
    return LogFile::open(dir.file("log.dat")); // still readable once the folder is gone
}

TEST(LogLoader, BadFilesAreRefusedWithTheirText) {
    std::string lowerMagic = logBytes(3, 3);
    std::memcpy(lowerMagic.data() + 9, "orv32", 5);
    // 255: not a log file, 256: a data error
    const std::tuple<const char*, std::string, int> cases[] = {
        {"empty", "", 255},
        {"text file", "hello world, this is no log file at all, really not", 255},
        {"lower-case magic", lowerMagic, 255},
        {"header cut", logBytes(0, 0).substr(0, 30), 256},
        {"header one byte short", logBytes(0, 0).substr(0, 46), 256},
        {"negative count", logBytes(-1, 2), 256},
        {"NaN interval", logBytes(2, 2, std::nanf("")), 256},
        {"negative interval", logBytes(2, 2, std::nextafter(0.0f, -1.0f)), 256},
        {"start time infinite", logBytes(2, 2, 60.0f, INFINITY), 256},
        {"start time beyond 9999", logBytes(2, 2, 60.0f, 3.0e6), 256},
        {"last record beyond 9999", logBytes(2, 2, 3.0e13f), 256},
        // a usable interval whose third record falls on 10000-01-01 00:00:30
        {"last record 30 s into the year 10000",
         logBytes(3, 3, 60.0f, kLastSecondOf9999 - 89 * kSecond), 256},
        {"interval above a day", logBytes(2, 2, std::nextafter(86400.0f, 1e30f)), 256},
        // An empty file's header is shown and exported too: the same checks apply.
        {"no records, NaN start time", logBytes(0, 0, 60.0f, std::nan("")), 256},
        {"no records, start time infinite", logBytes(0, 0, 60.0f, -INFINITY), 256},
        {"no records, start in year 292278924", logBytes(0, 0, 60.0f, 1.0e11), 256},
        {"no records, start a second before year 100",
         logBytes(0, 0, 60.0f, kFirstDayOf100 - kSecond), 256},
        {"no records, start 10000-01-01 00:00:00",
         logBytes(0, 0, 60.0f, kLastSecondOf9999 + kSecond), 256},
        {"no records, NaN interval", logBytes(0, 0, std::nanf("")), 256},
        {"no records, infinite interval", logBytes(0, 0, INFINITY), 256},
        {"no records, negative interval", logBytes(0, 0, -1.0f), 256},
        {"no records, interval of a year", logBytes(0, 0, 31.0e6f), 256},
    };
    for (const auto& [name, bytes, textId] : cases) {
        const LoadResult r = loadString(bytes);
        ASSERT_TRUE(std::holds_alternative<LoadError>(r)) << name;
        EXPECT_EQ(std::get<LoadError>(r).textId(), textId) << name;
        const auto opened = openString(bytes);
        ASSERT_TRUE(std::holds_alternative<LoadError>(opened)) << name;
        EXPECT_EQ(std::get<LoadError>(opened).kind, std::get<LoadError>(r).kind) << name;
        EXPECT_EQ(std::get<LoadError>(opened).detail, std::get<LoadError>(r).detail) << name;
    }
}

TEST(LogLoader, CountAndFileSizeDecideWhatLoads) {
    const std::tuple<const char*, std::string, std::int64_t, bool> cases[] = {
        {"complete", logBytes(5, 5), 5, false},
        {"no records", logBytes(0, 0), 0, false},
        // the accepting side of each header boundary
        {"interval 0 (older files)", logBytes(3, 3, 0.0f), 3, false},
        {"interval of a day", logBytes(2, 2, 86400.0f), 2, false},
        {"no records, interval 0", logBytes(0, 0, 0.0f), 0, false},
        {"no records, interval of a day", logBytes(0, 0, 86400.0f), 0, false},
        {"no records, start 0100-01-01", logBytes(0, 0, 60.0f, kFirstDayOf100), 0, false},
        {"no records, start 9999-12-31 23:59:59", logBytes(0, 0, 60.0f, kLastSecondOf9999), 0,
         false},
        // one more record would fall into the year 10000
        {"last record at 9999-12-31 23:59:30",
         logBytes(2, 2, 60.0f, kLastSecondOf9999 - 89 * kSecond), 2, false},
        // the time of the last complete record counts, not that of the count
        {"cut short before the year 10000",
         logBytes(1000, 2, 60.0f, kLastSecondOf9999 - 89 * kSecond), 2, true},
        // unit bytes and the text field are shown as they are, never judged
        {"unknown unit bytes", withByte(withByte(logBytes(2, 2), 15, 'X'), 16, '\0'), 2, false},
        {"text field of control bytes", withByte(logBytes(1, 1), 35, '\x01'), 1, false},
        {"cut short", logBytes(1000000, 7), 7, true},
        {"count beyond the largest file", logBytes(2147483647, 3), 3, true},
        {"partial last record", logBytes(5, 5).substr(0, 47 + 8 * 4 + 5), 4, true},
        {"record in flight after the count", logBytes(4, 5), 4, false},
    };
    for (const auto& [name, bytes, loaded, truncated] : cases) {
        for (const char* way : {"mapped", "read from the file", "from memory"}) {
            const LoadResult r =
                way[0] == 'f' ? loadString(bytes) : loadFileString(bytes, way[0] == 'r');
            ASSERT_TRUE(std::holds_alternative<LogData>(r)) << name << ", " << way;
            const auto& log = std::get<LogData>(r);
            EXPECT_EQ(log.size(), loaded) << name << ", " << way;
            EXPECT_EQ(log.truncated(), truncated) << name << ", " << way;
            for (std::int64_t k = 0; k < log.size(); ++k) {
                ASSERT_EQ(log.value(Channel::Temperature, k), static_cast<float>(k)) << name;
                ASSERT_EQ(log.value(Channel::Channel2, k), static_cast<float>(-k)) << name;
            }
            EXPECT_EQ(log.stats(Channel::Temperature, 0, loaded).count, loaded) << name;
            EXPECT_FALSE(log.changedOnDisk()) << name << ", " << way;
        }
        const LoadResult r = loadString(bytes);
        const auto& log = std::get<LogData>(r);

        auto opened = openString(bytes);
        ASSERT_TRUE(std::holds_alternative<LogFile>(opened)) << name;
        LogFile& file = std::get<LogFile>(opened);
        EXPECT_EQ(file.size(), loaded) << name;
        EXPECT_EQ(file.truncated(), truncated) << name;
        EXPECT_EQ(file.fileSize(), static_cast<std::int64_t>(bytes.size())) << name;
        EXPECT_EQ(file.header().text, log.header().text) << name;
        std::vector<float> t(static_cast<std::size_t>(loaded));
        std::vector<float> c(t.size());
        ASSERT_FALSE(file.read(0, t, c)) << name;
        EXPECT_TRUE(std::ranges::equal(t, test::valuesOf(log, Channel::Temperature))) << name;
        EXPECT_TRUE(std::ranges::equal(c, test::valuesOf(log, Channel::Channel2))) << name;
    }
}

TEST(LogLoader, FilesOnDisk) {
    test::TempDir dir;
    for (const auto& bad : {dir.file("nothing.dat"), dir.path()}) {
        const auto r = loadLogFile(bad);
        ASSERT_TRUE(std::holds_alternative<LoadError>(r)) << bad;
        EXPECT_EQ(std::get<LoadError>(r).textId(), 255) << bad;
        const auto opened = LogFile::open(bad);
        ASSERT_TRUE(std::holds_alternative<LoadError>(opened)) << bad;
        EXPECT_EQ(std::get<LoadError>(opened).kind, std::get<LoadError>(r).kind) << bad;
    }
    EXPECT_EQ(std::get<LoadError>(loadLogFile(dir.file("nothing.dat"))).kind,
              LoadError::Kind::NotFound);

    // more records than one read chunk, and not a multiple of the block sizes
    const std::int64_t n = 100'003;
    test::writeFile(dir.file("big.dat"), logBytes(static_cast<std::int32_t>(n), n));
    const LogData log = test::loadOrFail(dir.file("big.dat"));
    EXPECT_EQ(log.fileSize(), 47 + 8 * n);
    ASSERT_EQ(log.size(), n);
    EXPECT_EQ(log.value(Channel::Temperature, n - 1), static_cast<float>(n - 1));
    const RangeStats s = log.stats(Channel::Channel2, 0, n - 1);
    EXPECT_EQ(s.min, static_cast<float>(-(n - 1)));
    EXPECT_EQ(s.max, 0.0f);
    EXPECT_EQ(s.sum, -static_cast<double>(n) * static_cast<double>(n - 1) / 2);
    EXPECT_LE(log.indexBytes(), static_cast<std::size_t>(8 * n / 4));
}

// A mapped log whose file another program cuts short while it is shown: the records still in the
// file read as before, the ones past its new end as "no value" (never a crash, never the bytes of
// something else), the index keeps what was loaded, and the log says the file changed. A log read
// into memory keeps everything.
TEST(LogLoader, AFileCutShortByAnotherProgramWhileShownReadsAsGapsAndSaysSo) {
    test::TempDir dir;
    const std::int64_t n = 300'000; // over 500 pages of records
    const std::int64_t keep = 1000;
    const auto path = dir.file("shown.dat");
    for (const bool readIntoMemory : {false, true}) {
        SCOPED_TRACE(readIntoMemory ? "read" : "mapped");
        test::writeFile(path, logBytes(static_cast<std::int32_t>(n), n));
        LoadTuning tuning;
        tuning.readIntoMemory = readIntoMemory;
        LoadResult r = loadLogFile(path, nullptr, tuning);
        ASSERT_TRUE(std::holds_alternative<LogData>(r));
        const LogData& log = std::get<LogData>(r);
        const std::string cut =
            "truncate -s " + std::to_string(kLogHeaderSize + 8 * keep) + " '" + path.string() + "'";
        ASSERT_EQ(std::system(cut.c_str()), 0);

        ASSERT_EQ(log.size(), n);
        for (std::int64_t k = 0; k < keep; ++k) {
            ASSERT_EQ(log.value(Channel::Temperature, k), static_cast<float>(k));
        }
        // Reading past the new end finds the lost pages; once the log has been asked, every
        // record past the end reads as no value, also those in the page the file ends in.
        EXPECT_EQ(std::isnan(log.value(Channel::Temperature, n - 1)), !readIntoMemory);
        EXPECT_EQ(log.changedOnDisk(), !readIntoMemory);
        std::int64_t gaps = 0;
        for (std::int64_t k = keep; k < n; ++k) {
            const float t = log.value(Channel::Temperature, k);
            const float c = log.value(Channel::Channel2, k);
            if (readIntoMemory) {
                ASSERT_EQ(t, static_cast<float>(k));
            } else {
                gaps += std::isnan(t) && std::isnan(c) ? 1 : 0;
            }
        }
        EXPECT_EQ(gaps, readIntoMemory ? 0 : n - keep);
        // the index still answers for the records as loaded; only the few records at the ends
        // of a range that no index block covers whole are read themselves
        const RangeStats s = log.stats(Channel::Temperature, 0, n - 1);
        EXPECT_GE(s.count, n - ChannelIndex::kSumBlock);
        EXPECT_EQ(s.count == n, readIntoMemory);
        EXPECT_EQ(log.stats(Channel::Temperature, 0, keep - 1).count, keep);
        std::vector<ColumnSpan> columns(1920);
        log.reduce(Channel::Channel2, 0, n, columns);
        EXPECT_EQ(columns.front().first, 0.0f);
        EXPECT_EQ(std::isnan(columns.back().last), !readIntoMemory);
    }
}

TEST(LogLoader, UnitTextsOfTheUnitCodes) {
    const std::pair<char, const char*> units[] = {
        {'C', "\u00B0C"}, {'F', "\u00B0F"}, {'K', " K"}, {'%', " %"}, {'\xB0', " \u00B0"}};
    for (const auto& [code, text] : units) {
        EXPECT_EQ(unitTextForCode(code), text) << code;
    }
}

} // namespace
} // namespace orv
