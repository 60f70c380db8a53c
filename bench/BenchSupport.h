#pragma once

// What the benchmarks that make large log files share: ORV_BENCH_SCALE shrinks the files for a
// quick look (0.1: ten times smaller), ORV_BENCH_DIR chooses where they go (else the system
// temp folder).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <stdlib.h>

namespace orv::bench {

[[nodiscard]] inline double benchScale() {
    const char* scale = std::getenv("ORV_BENCH_SCALE");
    return scale != nullptr ? std::atof(scale) : 1.0;
}

// A fresh folder "<prefix>-XXXXXX" for the benchmark's files; nullopt (with the reason printed)
// when it cannot be made.
[[nodiscard]] inline std::optional<std::filesystem::path>
makeBenchFolder(const std::string& prefix) {
    const char* dir = std::getenv("ORV_BENCH_DIR");
    std::string folder =
        (dir != nullptr ? std::filesystem::path(dir) : std::filesystem::temp_directory_path()) /
        (prefix + "-XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return std::nullopt;
    }
    return std::filesystem::path(folder);
}

} // namespace orv::bench
