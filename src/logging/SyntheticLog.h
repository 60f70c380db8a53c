#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace orv {

// A made-up recording in the log file format, for demos, tests and benchmarks: a daily
// temperature swing with a slow weather drift and sensor noise, humidity moving against the
// temperature, optionally runs of NaN where the sensor was silent. The same options always give
// the same bytes.
struct SyntheticLogOptions {
    std::int64_t records = 0;   // 0 .. 2^31 - 1
    float interval = 60.0f;     // seconds, > 0
    double startTime = 45292.0; // 2024-01-01 00:00
    char tempUnit = 'C';        // 'C', 'F' or 'K'
    bool dewPoint = false;      // channel 2 holds the dew point instead of the humidity
    std::string serial = "SYNTH001";
    bool gaps = false;
    std::uint64_t seed = 1;
};

// Writes the file in large blocks (not record by record with a sync each, as a recording does).
// Returns the reason when the options are unusable or writing failed; a partly written file is
// removed.
[[nodiscard]] std::optional<std::string> writeSyntheticLog(const std::filesystem::path& path,
                                                           const SyntheticLogOptions& options);

} // namespace orv
