// Export of 10 million records against its floor: write()-ing the same number of bytes to the
// same kind of file. The "ratio" counter is export time / floor time (target: at most 2.5).
#include "offline/ExportWriter.h"

#include "core/LocaleFormat.h"
#include "core/Texts.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kRecords = 10'000'000;

class FixedTexts final : public orv::Texts {
public:
    [[nodiscard]] std::optional<std::string> text(int) const override { return std::nullopt; }
};

struct Data {
    std::vector<float> temp;
    std::vector<float> ch2;
};

// A day's temperature and humidity curve with sensor noise and a few gaps.
const Data& data() {
    static const Data d = [] {
        Data out;
        out.temp.resize(kRecords);
        out.ch2.resize(kRecords);
        std::mt19937 rng(42);
        std::normal_distribution<float> noise(0.0F, 0.05F);
        for (std::size_t i = 0; i < kRecords; ++i) {
            const float phase = static_cast<float>(i % 17280) / 17280.0F * 6.2831853F;
            out.temp[i] = 20.0F + 4.0F * std::sin(phase) + noise(rng);
            out.ch2[i] = 55.0F - 12.0F * std::sin(phase) + 10 * noise(rng);
            if (i % 100000 == 99999) {
                out.temp[i] = out.ch2[i] = std::numeric_limits<float>::quiet_NaN();
            }
        }
        return out;
    }();
    return d;
}

std::filesystem::path scratch(const char* name) {
    return std::filesystem::temp_directory_path() / (std::string("orv-bench-") + name);
}

// The floor: the same number of bytes written in the same 1 MiB pieces to a new file.
double writeFloorSeconds(std::size_t bytes) {
    const std::vector<char> chunk(1 << 20, '7');
    const auto path = scratch("floor.txt");
    const auto t0 = std::chrono::steady_clock::now();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t done = 0; done < bytes;) {
        const std::size_t n = std::min(chunk.size(), bytes - done);
        if (::write(fd, chunk.data(), n) != static_cast<ssize_t>(n)) {
            std::perror("floor write");
            break;
        }
        done += n;
    }
    ::close(fd);
    const auto t1 = std::chrono::steady_clock::now();
    std::filesystem::remove(path);
    return std::chrono::duration<double>(t1 - t0).count();
}

void BM_Export10M(benchmark::State& state) {
    const Data& d = data();
    const FixedTexts texts;
    const orv::GermanFormat locale;
    orv::ExportSource source;
    source.fileTitle = "bench.dat";
    source.serial = "BENCH   ";
    source.recordCount = kRecords;
    source.startTime = 38352.375;
    source.intervalSeconds = 5;
    const auto path = scratch("export.txt");

    double exportSeconds = 0;
    double floorSeconds = 0;
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const std::error_code ec = orv::exportToFile(path, source, 0, d.temp, d.ch2, texts, locale);
        const auto t1 = std::chrono::steady_clock::now();
        exportSeconds += std::chrono::duration<double>(t1 - t0).count();
        if (ec) {
            state.SkipWithError(ec.message().c_str());
            break;
        }
        state.PauseTiming();
        bytes = std::filesystem::file_size(path);
        std::filesystem::remove(path);
        floorSeconds += writeFloorSeconds(bytes);
        state.ResumeTiming();
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["export_ms"] = exportSeconds / static_cast<double>(state.iterations()) * 1e3;
    state.counters["write_floor_ms"] = floorSeconds / static_cast<double>(state.iterations()) * 1e3;
    state.counters["ratio"] = exportSeconds / floorSeconds;
}
BENCHMARK(BM_Export10M)->Unit(benchmark::kMillisecond)->Iterations(5);

// Formatting alone, without any file: the cost per value the export adds on top of write().
void BM_FormatValue(benchmark::State& state) {
    const Data& d = data();
    char buf[orv::kMaxExportValueChars];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(orv::formatExportValue(buf, d.temp[i], ","));
        i = (i + 1) % kRecords;
    }
}
BENCHMARK(BM_FormatValue);

} // namespace

BENCHMARK_MAIN();
