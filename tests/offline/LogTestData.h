#pragma once

#include "offline/CsvWriter.h"
#include "offline/ExportWriter.h"
#include "offline/LogData.h"
#include "offline/LogLoader.h"
#include "state/StringTable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <random>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace orv::test {

// The program's own string table in "de" or "eng".
inline StringTable textsIn(std::string_view language) {
    StringTable texts;
    texts.selectLanguage(language);
    return texts;
}

// The log at `path`; a load error fails the test.
// Records first..first+count-1 of one channel as a plain array (count -1: to the end).
inline std::vector<float> valuesOf(const LogData& log, Channel c, std::int64_t first = 0,
                                   std::int64_t count = -1) {
    if (count < 0) {
        count = log.size() - first;
    }
    std::vector<float> out(static_cast<std::size_t>(count));
    log.channel(c).copyTo(first, out);
    return out;
}

inline LogData loadOrFail(const std::filesystem::path& path) {
    auto r = loadLogFile(path);
    if (!std::holds_alternative<LogData>(r)) {
        ADD_FAILURE() << std::get<LoadError>(r).detail;
        return {};
    }
    return std::move(std::get<LogData>(r));
}

// The CSV file the writer makes of records first..first+count-1.
inline std::string csvText(const LogData& log, std::int64_t first, std::int64_t count,
                           const CsvOptions& options) {
    TempDir dir;
    const int fd = ::open(dir.file("out.csv").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_FALSE(writeCsv(fd, log, first, count, options));
    ::close(fd);
    return readFile(dir.file("out.csv"));
}

// The text export of the given records; a write error fails the test.
inline std::string exportText(const ExportSource& source, std::int64_t viewStart,
                              std::span<const float> temperature, std::span<const float> channel2,
                              const Texts& texts, const LocaleFormat& locale) {
    TempDir dir;
    const std::error_code ec =
        exportToFile(dir.file("out.txt"), source, viewStart, temperature, channel2, texts, locale);
    EXPECT_FALSE(ec) << ec.message();
    return readFile(dir.file("out.txt"));
}

// A channel with a daily swing, noise, single spikes, runs of NaN (gaps) and values of both
// signs, so that extremes, gaps and cancellation all occur.
inline std::vector<float> wavyChannel(std::int64_t n, unsigned seed, float offset) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, 0.3f);
    std::uniform_int_distribution<int> event(0, 999);
    std::vector<float> v(static_cast<std::size_t>(n));
    for (std::int64_t k = 0; k < n; ++k) {
        const int e = event(rng);
        auto& x = v[static_cast<std::size_t>(k)];
        x = offset + 8.0f * std::sin(static_cast<float>(k) * 0.0007f) + noise(rng);
        if (e < 3) {
            x += e == 0 ? 60.0f : -60.0f; // spike
        } else if (e == 3) {
            const std::int64_t run = std::min<std::int64_t>(n - k, 1 + event(rng) % 300);
            for (std::int64_t j = 0; j < run; ++j) {
                v[static_cast<std::size_t>(k + j)] = std::numeric_limits<float>::quiet_NaN();
            }
            k += run - 1;
        }
    }
    return v;
}

inline LogData wavyLog(std::int64_t n, unsigned seed) {
    LogHeader h;
    h.recordCount = static_cast<std::int32_t>(n);
    h.interval = 10.0f;
    h.startTime = 38352.0;
    return LogData(h, wavyChannel(n, seed, 2.0f), wavyChannel(n, seed + 1, 55.0f));
}

} // namespace orv::test
