#pragma once

// Log files for the diagram tests, written by the recording's own file writer.
#include "logging/LogFileWriter.h"
#include "logging/LogFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace orv::test {

inline constexpr float kGap = std::numeric_limits<float>::quiet_NaN();

struct LogTraits {
    float interval = 60.0f;
    double startTime = 45292.0 + 8.0 / 24; // 2024-01-01 08:00
    char tempUnit = 'C';
    char ch2Unit = '%';
    std::string serial = "TEST0001";
};

inline LogHeader headerOf(const LogTraits& traits) {
    LogHeader h;
    h.interval = traits.interval;
    h.startTime = traits.startTime;
    h.tempUnitCode = traits.tempUnit;
    h.ch2UnitCode = traits.ch2Unit;
    h.text = traits.serial;
    return h;
}

// Writes the records; the writer keeps the count in the header current.
inline void writeLog(const std::filesystem::path& path, const std::vector<float>& temperature,
                     const std::vector<float>& channel2, const LogTraits& traits = {}) {
    LogFileWriter writer;
    ASSERT_TRUE(writer.create(path, headerOf(traits))) << writer.lastError();
    std::vector<LogRecord> records;
    for (std::size_t k = 0; k < temperature.size(); ++k) {
        records.push_back({temperature[k], channel2[k]});
    }
    if (!records.empty()) {
        ASSERT_TRUE(writer.append(records)) << writer.lastError();
    }
    writer.close();
}

// `n` records of a flat temperature and humidity.
inline void writeFlatLog(const std::filesystem::path& path, std::size_t n, float temperature = 20,
                         float humidity = 50, const LogTraits& traits = {}) {
    writeLog(path, std::vector<float>(n, temperature), std::vector<float>(n, humidity), traits);
}

// A gentle wave (temperature around 20, humidity around 50) over `n` records.
inline void writeWaveLog(const std::filesystem::path& path, std::size_t n,
                         const LogTraits& traits = {}) {
    std::vector<float> t(n);
    std::vector<float> h(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double phase = 6.283185307 * static_cast<double>(k) / static_cast<double>(n);
        t[k] = static_cast<float>(20 + 3 * std::sin(phase));
        h[k] = static_cast<float>(50 + 8 * std::cos(phase));
    }
    writeLog(path, t, h, traits);
}

} // namespace orv::test
