// The loader reads a file with several threads in chunks; whatever the chunk edges and the
// number of threads, the channels and their indexes must be the ones a single pass builds.
#include "LogTestData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <tuple>

namespace orv {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Values that make every block summary decision visible: both signed zeros in one leaf (the
// extremes keep the first of equal values, so their order shows), NaN runs that begin and end
// inside and across the 768-record chunks the tests use, a NaN with a payload, spikes, and one
// whole chunk of NaN.
std::vector<float> trickyChannel(std::int64_t n, unsigned seed) {
    std::vector<float> v = test::wavyChannel(n, seed, 1.0f);
    auto at = [&](std::int64_t k) -> float* {
        return k >= 0 && k < n ? &v[static_cast<std::size_t>(k)] : nullptr;
    };
    for (std::int64_t edge = 768; edge < n + 768; edge += 768) {
        for (std::int64_t k = edge - 37; k < edge + 250; ++k) { // a run across the chunk edge
            if (float* x = at(k); x != nullptr && (edge / 768) % 3 == 0) {
                *x = kNaN;
            }
        }
        if (float* x = at(edge - 1)) {
            *x = (edge / 768) % 2 ? -0.0f : 0.0f;
        }
        if (float* x = at(edge - 2)) {
            *x = (edge / 768) % 2 ? 0.0f : -0.0f;
        }
    }
    for (std::int64_t k = 3 * 768; k < 4 * 768; ++k) {
        if (float* x = at(k)) {
            *x = kNaN;
        }
    }
    if (float* x = at(n / 2)) {
        const std::uint32_t payload = 0x7fc01234u;
        std::memcpy(x, &payload, sizeof payload);
    }
    if (float* x = at(n - 1)) {
        *x = 500.0f; // a spike in the last, partial block
    }
    return v;
}

// The records as a log file stores them.
std::string recordBytes(const std::vector<float>& temp, const std::vector<float>& ch2) {
    std::string s(temp.size() * kLogRecordSize, '\0');
    for (std::size_t k = 0; k < temp.size(); ++k) {
        encodeLogRecord(reinterpret_cast<unsigned char*>(s.data()) + k * kLogRecordSize, temp[k],
                        ch2[k]);
    }
    return s;
}

std::string logImage(const std::vector<float>& temp, const std::vector<float>& ch2,
                     std::int32_t count) {
    LogHeader h;
    h.recordCount = count;
    h.startTime = 38352.0;
    h.interval = 5.0f;
    const auto head = encodeLogHeader(h);
    return std::string(head.begin(), head.end()) + recordBytes(temp, ch2);
}

bool sameBits(std::span<const float> a, std::span<const float> b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size_bytes()) == 0);
}

// Both channels hold exactly `temp` and `ch2`, and each index is the one built over the records
// in one pass on this thread.
void expectLoaded(const LogData& log, const std::vector<float>& temp, const std::vector<float>& ch2,
                  const std::string& where) {
    ASSERT_EQ(log.size(), static_cast<std::int64_t>(temp.size())) << where;
    const std::string records = recordBytes(temp, ch2);
    ChannelIndex reference[2];
    ChannelIndex::build(reinterpret_cast<const unsigned char*>(records.data()), log.size(),
                        reference[0], reference[1]);
    for (const auto& [c, values] :
         {std::pair{Channel::Temperature, &temp}, std::pair{Channel::Channel2, &ch2}}) {
        EXPECT_TRUE(sameBits(test::valuesOf(log, c), *values)) << where;
        EXPECT_TRUE(log.index(c).sameAs(reference[static_cast<int>(c)])) << where;
        EXPECT_EQ(log.index(c).size(), log.size()) << where;
    }
}

TEST(ParallelLoad, EveryChunkAndThreadSplitGivesTheSinglePassIndex) {
    // records, chunk records (0: the default), threads (0: one per core)
    const std::tuple<std::int64_t, std::int64_t, int> cases[] = {
        {0, 256, 2},       {1, 256, 2},           {255, 256, 2},     {256, 256, 2},
        {257, 256, 2},     {257, 256, 3},         {4095, 768, 2},    {4097, 768, 2},
        {4097, 4096, 2},   {100'003, 768, 2},     {100'003, 768, 3}, {100'003, 0, 0},
        {100'003, 768, 1}, {65'536 + 17, 256, 2}, {300'001, 0, 2},   {300'001, 0, 0},
    };
    for (const auto& [n, chunk, threads] : cases) {
        const std::string where = std::to_string(n) + " records, chunks of " +
                                  std::to_string(chunk) + ", " + std::to_string(threads) +
                                  " threads";
        const auto temp = trickyChannel(n, static_cast<unsigned>(n));
        const auto ch2 = trickyChannel(n, static_cast<unsigned>(n) + 1);
        const std::string image = logImage(temp, ch2, static_cast<std::int32_t>(n));
        const LoadResult r =
            loadLogBytes({reinterpret_cast<const unsigned char*>(image.data()), image.size()},
                         LoadTuning{threads, chunk});
        ASSERT_TRUE(std::holds_alternative<LogData>(r)) << where;
        expectLoaded(std::get<LogData>(r), temp, ch2, where);
        EXPECT_FALSE(std::get<LogData>(r).truncated()) << where;
    }
}

TEST(ParallelLoad, AFileCutShortInsideABlockIndexesItsCompleteRecords) {
    // stored count, records present, chunk records
    const std::tuple<std::int32_t, std::int64_t, std::int64_t> cases[] = {
        {5000, 4097, 768}, {5000, 3 * 768, 768}, {1'000'000, 100'003, 256}, {300, 17, 256}};
    for (const auto& [count, present, chunk] : cases) {
        const std::string where = std::to_string(present) + " of " + std::to_string(count);
        const auto temp = trickyChannel(present, 3);
        const auto ch2 = trickyChannel(present, 4);
        std::string image = logImage(temp, ch2, count);
        image.append("\x01\x02\x03", 3); // half a record from a crash while appending
        const LoadResult r =
            loadLogBytes({reinterpret_cast<const unsigned char*>(image.data()), image.size()},
                         LoadTuning{2, chunk});
        ASSERT_TRUE(std::holds_alternative<LogData>(r)) << where;
        expectLoaded(std::get<LogData>(r), temp, ch2, where);
        EXPECT_TRUE(std::get<LogData>(r).truncated()) << where;
    }
}

// An index prepared for more records than it ends up with (the file got shorter while it was
// read, after later chunks were already summarised) equals the index built over what is left.
TEST(ParallelLoad, AnIndexFinishedShortEqualsOneBuiltOverTheShorterChannel) {
    const auto temp = trickyChannel(10'000, 9);
    const auto ch2 = trickyChannel(10'000, 10);
    const std::string bytes = recordBytes(temp, ch2);
    const auto* records = reinterpret_cast<const unsigned char*>(bytes.data());
    for (const std::int64_t keep : {0, 1, 16, 17, 255, 256, 257, 4096, 4097, 9'999}) {
        ChannelIndex index[2];
        index[0].prepare(10'000);
        index[1].prepare(10'000);
        for (std::int64_t b = 0; b < 10'000; b += 768) {
            ChannelIndex::summarizeRecords(records, b, std::min<std::int64_t>(b + 768, 10'000),
                                           index[0], index[1]);
        }
        ChannelIndex reference[2];
        ChannelIndex::build(records, keep, reference[0], reference[1]);
        for (const int c : {0, 1}) {
            const ChannelValues kept(records + 4 * c, keep);
            index[c].finish(kept);
            EXPECT_TRUE(index[c].sameAs(reference[c])) << keep;
            const auto& values = c == 0 ? temp : ch2;
            EXPECT_EQ(index[c].summarize(kept, 0, keep).count,
                      std::count_if(values.begin(), values.begin() + keep,
                                    [](float x) { return x == x; }))
                << keep;
        }
    }
}

TEST(ParallelLoad, ProgressCountsEveryThreadsRecordsAndCancelStopsTheLoad) {
    test::TempDir dir;
    const std::int64_t n = 200'000;
    const auto temp = trickyChannel(n, 5);
    const auto ch2 = trickyChannel(n, 6);
    test::writeFile(dir.file("log.dat"), logImage(temp, ch2, static_cast<std::int32_t>(n)));

    for (const bool readIntoMemory : {false, true}) {
        SCOPED_TRACE(readIntoMemory ? "read" : "mapped");
        LoadTuning tuning{2, 1024};
        tuning.readIntoMemory = readIntoMemory;
        LoadProgress progress;
        const LoadResult r = loadLogFile(dir.file("log.dat"), &progress, tuning);
        ASSERT_TRUE(std::holds_alternative<LogData>(r));
        expectLoaded(std::get<LogData>(r), temp, ch2, "from disk");
        EXPECT_EQ(progress.recordsTotal.load(), n);
        EXPECT_EQ(progress.recordsDone.load(), n);

        LoadProgress cancelled;
        cancelled.cancel = true;
        const LoadResult c = loadLogFile(dir.file("log.dat"), &cancelled, tuning);
        ASSERT_TRUE(std::holds_alternative<LoadError>(c));
        EXPECT_EQ(std::get<LoadError>(c).kind, LoadError::Kind::Cancelled);
        EXPECT_EQ(cancelled.recordsDone.load(), 0);
    }
}

// Another thread cuts the file to a third while the loader reads it. Whichever wins, what loads
// is a prefix of the records as they were, with its own exact index.
TEST(ParallelLoad, AFileShrinkingWhileReadLoadsAPrefixAndSaysSo) {
    for (const bool readIntoMemory : {false, true}) {
        SCOPED_TRACE(readIntoMemory ? "read" : "mapped");
        test::TempDir dir;
        const std::int64_t n = 400'000;
        const std::int64_t cut = n / 3 + 100; // inside a block
        const auto temp = trickyChannel(n, 7);
        const auto ch2 = trickyChannel(n, 8);
        const auto path = dir.file("shrinking.dat");
        test::writeFile(path, logImage(temp, ch2, static_cast<std::int32_t>(n)));

        LoadProgress progress;
        std::jthread cutter([&] {
            while (progress.recordsDone.load() == 0) {
                std::this_thread::yield();
            }
            std::filesystem::resize_file(path,
                                         static_cast<std::uintmax_t>(kLogHeaderSize + 8 * cut));
        });
        LoadTuning tuning{2, 256};
        tuning.readIntoMemory = readIntoMemory;
        const LoadResult r = loadLogFile(path, &progress, tuning);
        cutter.join();
        ASSERT_TRUE(std::holds_alternative<LogData>(r));
        const LogData& log = std::get<LogData>(r);
        const auto prefix = [](const std::vector<float>& v, std::int64_t k) {
            return std::vector<float>(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k));
        };
        if (log.truncated() || readIntoMemory) {
            // Chunks read before the cut keep their records, so a file read into memory may
            // load more than `cut`; a mapped one keeps what is still in the file.
            EXPECT_LE(log.size(), readIntoMemory ? n : cut);
            expectLoaded(log, prefix(temp, log.size()), prefix(ch2, log.size()), "shrunk");
            EXPECT_FALSE(log.changedOnDisk());
        } else {
            // Indexed whole before the cut: the index keeps the records as they were, the
            // records past the new end read as no value, and the log says the file changed.
            ASSERT_EQ(log.size(), n);
            EXPECT_TRUE(
                sameBits(test::valuesOf(log, Channel::Temperature, 0, cut), prefix(temp, cut)));
            EXPECT_TRUE(std::isnan(log.value(Channel::Channel2, n - 1)));
            EXPECT_TRUE(log.changedOnDisk());
        }
    }
}

} // namespace
} // namespace orv
