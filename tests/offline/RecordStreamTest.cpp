// Records read from the file on demand (LogFile) against the loaded log: the same values, the
// same statistics and byte for byte the same export and CSV, whatever the chunk edges.
#include "offline/ExportCommand.h"
#include "offline/LogFile.h"
#include "offline/RecordSource.h"

#include "DiagramTestFiles.h"
#include "LogTestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace orv {
namespace {

constexpr std::int64_t kChunk = kRecordChunk;
// Two chunk edges and a partial last chunk.
constexpr std::int64_t kRecords = 2 * kChunk + 1234;

// Empty runs that cross the chunk edges and a chunk that holds no value at all, on top of the
// wavy channels' own spikes and gaps.
std::vector<float> withEdgeGaps(std::vector<float> v) {
    const auto gap = [&](std::int64_t from, std::int64_t to) {
        const auto n = static_cast<std::int64_t>(v.size());
        std::fill(v.begin() + std::min(from, n), v.begin() + std::min(to, n), test::kGap);
    };
    gap(kChunk - 40, kChunk + 40);
    gap(2 * kChunk - 1, 2 * kChunk + 1);
    gap(5000, 5000 + 4096);
    return v;
}

LogData fileOf(const std::filesystem::path& path, std::int64_t n) {
    const LogData mem = test::wavyLog(n, 7);
    test::LogTraits traits;
    traits.interval = 10.0f;
    const auto temp = test::valuesOf(mem, Channel::Temperature);
    const auto ch2 = test::valuesOf(mem, Channel::Channel2);
    test::writeLog(path, withEdgeGaps({temp.begin(), temp.end()}),
                   withEdgeGaps({ch2.begin(), ch2.end()}), traits);
    return test::loadOrFail(path);
}

LogFile openOrFail(const std::filesystem::path& path) {
    auto opened = LogFile::open(path);
    if (auto* e = std::get_if<LoadError>(&opened)) {
        ADD_FAILURE() << e->detail;
    }
    return std::move(std::get<LogFile>(opened));
}

bool sameBits(std::span<const float> a, std::span<const float> b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size_bytes()) == 0);
}

// What `write(fd)` puts into a file.
template <typename Write>
std::string written(Write write, std::error_code* error = nullptr) {
    test::TempDir dir;
    const int fd = ::open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    const std::error_code ec = write(fd);
    ::close(fd);
    if (error != nullptr) {
        *error = ec;
    } else {
        EXPECT_FALSE(ec) << ec.message();
    }
    return test::readFile(dir.file("out"));
}

class RecordStream : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new test::TempDir;
        log_ = new LogData(fileOf(path(), kRecords));
    }
    static void TearDownTestSuite() {
        delete log_;
        delete dir_;
    }
    static std::filesystem::path path() { return dir_->file("wavy.dat"); }

    static test::TempDir* dir_;
    static LogData* log_;
    LogFile file_ = openOrFail(path());
};
test::TempDir* RecordStream::dir_ = nullptr;
LogData* RecordStream::log_ = nullptr;

struct Range {
    std::int64_t first;
    std::int64_t count;
};

// Inside one chunk, across one or two edges, exactly one chunk, the last record, everything.
const Range kRanges[] = {
    {0, 1},
    {0, 0},
    {kChunk - 1, 2},
    {kChunk, kChunk},
    {kChunk - 1, kChunk + 2},
    {100, 2 * kChunk},
    {kRecords - 1, 1},
    {kRecords - 1235, 1235},
    {0, kRecords},
    {kRecords, 0},
};

TEST_F(RecordStream, RangesReadTheValuesTheLoaderHolds) {
    ASSERT_EQ(file_.size(), kRecords);
    ASSERT_EQ(log_->size(), kRecords);
    for (const auto [first, count] : kRanges) {
        std::vector<float> t(static_cast<std::size_t>(count), -1.0f);
        std::vector<float> c(t.size(), -1.0f);
        ASSERT_FALSE(file_.read(first, t, c)) << first << "+" << count;
        const auto at = static_cast<std::size_t>(first);
        EXPECT_TRUE(sameBits(t, test::valuesOf(*log_, Channel::Temperature, at, t.size())))
            << first << "+" << count;
        EXPECT_TRUE(sameBits(c, test::valuesOf(*log_, Channel::Channel2, at, c.size())))
            << first << "+" << count;
    }
}

TEST_F(RecordStream, RangesBeyondTheRecordsAreRefusedAndReadNothing) {
    const Range beyond[] = {
        {kRecords, 1}, {kRecords - 1, 2}, {-1, 1}, {0, kRecords + 1}, {kRecords + 5, 0}};
    for (const auto [first, count] : beyond) {
        std::vector<float> t(static_cast<std::size_t>(count), -1.0f);
        std::vector<float> c(t.size(), -1.0f);
        EXPECT_EQ(file_.read(first, t, c), RecordError::BeyondEnd) << first << "+" << count;
        EXPECT_TRUE(std::ranges::all_of(t, [](float v) { return v == -1.0f; }));
        EXPECT_EQ(SpanRecords(test::valuesOf(*log_, Channel::Temperature),
                              test::valuesOf(*log_, Channel::Channel2))
                      .read(first, t, c),
                  RecordError::BeyondEnd)
            << first << "+" << count;
    }
    std::vector<float> one(1);
    std::vector<float> two(2);
    EXPECT_EQ(file_.read(0, one, two), std::errc::invalid_argument);
}

TEST_F(RecordStream, StatisticsAgreeWithTheIndexAcrossChunkEdges) {
    const Range ranges[] = {
        {0, kRecords},       {kChunk - 40, 80},   // nothing but the gap over an edge
        {kChunk - 41, 82},   {5000, 4096},        // a value each side; a chunk of gap
        {kChunk - 256, 512}, {2 * kChunk - 1, 2}, // block-aligned; a two-record gap
        {kRecords - 1, 1},   {12345, kRecords - 12345},
    };
    for (const std::int64_t chunk : {kChunk, std::int64_t{4099}, std::int64_t{256}}) {
        for (const auto [first, count] : ranges) {
            const std::int64_t last = first + count - 1;
            ChannelStats got;
            ASSERT_FALSE(scanStatistics(file_, first, last, got, chunk));
            for (const auto channel : {Channel::Temperature, Channel::Channel2}) {
                const RangeStats want = log_->stats(channel, first, last);
                const RangeStats& s =
                    channel == Channel::Temperature ? got.temperature : got.channel2;
                const std::string what = std::to_string(first) + ".." + std::to_string(last) +
                                         " chunk " + std::to_string(chunk);
                EXPECT_EQ(s.count, want.count) << what;
                EXPECT_TRUE(sameBits({&s.min, 1}, {&want.min, 1})) << what;
                EXPECT_TRUE(sameBits({&s.max, 1}, {&want.max, 1})) << what;
                EXPECT_NEAR(s.sum, want.sum, 1e-12 * std::fabs(want.sum)) << what;
                if (want.count == 0) {
                    EXPECT_TRUE(std::isnan(s.average())) << what;
                }
            }
        }
    }
}

TEST_F(RecordStream, StreamedExportAndCsvAreTheInMemoryOnesByteForByte) {
    const GermanFormat german;
    const EnglishFormat english;
    const ExportSource source = exportSourceOf(*log_, "wavy.dat");
    ASSERT_EQ(source.recordCount,
              exportSourceOf(file_.header(), file_.size(), "wavy.dat").recordCount);
    for (const auto [first, count] : kRanges) {
        const auto at = static_cast<std::size_t>(first);
        const auto n = static_cast<std::size_t>(count);
        for (const char* language : {"de", "eng"}) {
            const StringTable texts = test::textsIn(language);
            for (const LocaleFormat* locale : {static_cast<const LocaleFormat*>(&german),
                                               static_cast<const LocaleFormat*>(&english)}) {
                const std::string inMemory = test::exportText(
                    source, first, test::valuesOf(*log_, Channel::Temperature, at, n),
                    test::valuesOf(*log_, Channel::Channel2, at, n), texts, *locale);
                const std::string streamed = written([&](int fd) {
                    return writeExport(fd, source, first, count, file_, texts, *locale);
                });
                ASSERT_EQ(streamed, inMemory) << first << "+" << count << " " << language;
            }
        }
        for (const CsvOptions& options :
             {CsvOptions{}, germanCsvOptions({.byteOrderMark = true, .dateTimeSeparator = 'T'})}) {
            const std::string streamed = written(
                [&](int fd) { return writeCsv(fd, file_.header(), first, count, file_, options); });
            ASSERT_EQ(streamed, test::csvText(*log_, first, count, options))
                << first << "+" << count << " " << options.separator;
        }
    }
}

// Whatever the chunking, export line k is record first+k: its number, then both values.
TEST_F(RecordStream, ExportLinesFollowTheRecordsOverChunkEdges) {
    const EnglishFormat english;
    const std::int64_t first = kChunk - 3;
    const std::int64_t count = kChunk + 6;
    const std::string text = written([&](int fd) {
        return writeExport(fd, exportSourceOf(*log_, "wavy.dat"), first, count, file_,
                           test::textsIn("eng"), english);
    });
    std::string expected;
    for (std::int64_t k = 0; k < count; ++k) {
        char line[200];
        char* p = std::to_chars(line, line + 20, k).ptr;
        *p++ = ' ';
        p = formatExportValue(p, log_->value(Channel::Temperature, first + k), ".");
        *p++ = ' ';
        p = formatExportValue(p, log_->value(Channel::Channel2, first + k), ".");
        expected.append(line, p).append("\r\n");
    }
    ASSERT_GE(text.size(), expected.size());
    EXPECT_EQ(text.substr(text.size() - expected.size()), expected);
}

TEST(RecordStreamFile, ACutShortFileReadsItsCompleteRecordsOnly) {
    test::TempDir dir;
    const LogData full = fileOf(dir.file("full.dat"), kChunk + 10);
    // the stored count says 20 records more; the last record lost its channel-2 value
    std::string bytes = test::readFile(dir.file("full.dat"));
    bytes.resize(bytes.size() - 3);
    bytes[0] = static_cast<char>(static_cast<unsigned char>(bytes[0]) + 20);
    test::writeFile(dir.file("cut.dat"), bytes);

    LogFile cut = openOrFail(dir.file("cut.dat"));
    const LogData loaded = test::loadOrFail(dir.file("cut.dat"));
    ASSERT_TRUE(cut.truncated());
    ASSERT_EQ(cut.size(), kChunk + 9);
    ASSERT_EQ(loaded.size(), cut.size());
    std::vector<float> t(1);
    std::vector<float> c(1);
    EXPECT_EQ(cut.read(cut.size(), t, c), RecordError::BeyondEnd);
    ASSERT_FALSE(cut.read(cut.size() - 1, t, c));
    EXPECT_TRUE(sameBits(t, test::valuesOf(loaded, Channel::Temperature, loaded.size() - 1, 1)));

    for (const Range r : {Range{0, cut.size()}, Range{cut.size() - 1, 1}}) {
        ChannelStats got;
        ASSERT_FALSE(scanStatistics(cut, r.first, r.first + r.count - 1, got));
        EXPECT_EQ(got.channel2.count,
                  loaded.stats(Channel::Channel2, r.first, r.first + r.count - 1).count);
        const std::string streamed = written([&](int fd) {
            return writeCsv(fd, cut.header(), r.first, r.count, cut, CsvOptions{});
        });
        EXPECT_EQ(streamed, test::csvText(loaded, r.first, r.count, CsvOptions{}));
    }
}

// A file that gets shorter after it was opened: the reads that reach past its new end fail with
// an error that says so, and what was exported before stays.
TEST(RecordStreamFile, AFileThatShrinksWhileReadGivesAClearError) {
    test::TempDir dir;
    const LogData log = fileOf(dir.file("log.dat"), 3 * kChunk);
    LogFile file = openOrFail(dir.file("log.dat"));
    ASSERT_EQ(::truncate(dir.file("log.dat").c_str(), kLogHeaderSize + kLogRecordSize * 40000), 0);

    std::vector<float> t(10);
    std::vector<float> c(10);
    EXPECT_FALSE(file.read(39990, t, c));
    EXPECT_EQ(file.read(39995, t, c), RecordError::FileShrank);
    EXPECT_NE(make_error_code(RecordError::FileShrank).message().find("shorter"),
              std::string::npos);

    ChannelStats stats;
    EXPECT_EQ(scanStatistics(file, 0, file.size() - 1, stats), RecordError::FileShrank);

    std::error_code ec;
    const std::string text = written(
        [&](int fd) {
            return writeExport(fd, exportSourceOf(log, "log.dat"), 0, file.size(), file,
                               test::textsIn("eng"), EnglishFormat());
        },
        &ec);
    EXPECT_EQ(ec, RecordError::FileShrank);
    // the first chunk was written in full before the second could not be read
    EXPECT_NE(text.find("\r\n32767 "), std::string::npos);
    EXPECT_EQ(text.find("\r\n32768 "), std::string::npos);

    const std::string csv = written(
        [&](int fd) { return writeCsv(fd, file.header(), 0, file.size(), file, CsvOptions{}); },
        &ec);
    EXPECT_EQ(ec, RecordError::FileShrank);
    EXPECT_EQ(std::ranges::count(csv, '\n'), 1 + kChunk);
}

} // namespace
} // namespace orv
