// The recorder's timer tick while it catches up a long gap (the computer slept six days at a
// 5 s interval: about 100 000 missed slots) against its floor: the same bytes appended durably
// by hand (pwrite of the records, fdatasync, pwrite of the count, fdatasync). The "ratio"
// counter is tick time / floor time; "tick_ms" is what one tick blocks the window, and
// "ticks" how many 100 ms ticks the whole gap takes.
#include "core/Clock.h"
#include "core/Texts.h"
#include "logging/DataLogger.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

using Seconds = std::chrono::duration<double>;

class NoTexts final : public orv::Texts {
public:
    [[nodiscard]] std::optional<std::string> text(int /*germanId*/) const override {
        return std::nullopt;
    }
};

std::filesystem::path scratch(const char* name) {
    const char* dir = std::getenv("ORV_BENCH_DIR");
    return std::filesystem::path(dir ? dir : std::filesystem::temp_directory_path().c_str()) / name;
}

constexpr double kStart = 46000.5;
constexpr double kGapSeconds = 6.0 * 86400.0;

double floorSeconds(std::size_t records) {
    const auto path = scratch("orv-recorder-floor.dat");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::vector<unsigned char> bytes(records * 8, 0xFF);
    const unsigned char count[4] = {1, 2, 3, 4};
    const auto t0 = std::chrono::steady_clock::now();
    bool ok = ::pwrite(fd, bytes.data(), bytes.size(), 47) == static_cast<ssize_t>(bytes.size());
    ok = ok && ::fdatasync(fd) == 0 && ::pwrite(fd, count, 4, 0) == 4 && ::fdatasync(fd) == 0;
    const auto t1 = std::chrono::steady_clock::now();
    ::close(fd);
    std::filesystem::remove(path);
    if (!ok) {
        std::perror("floor write");
    }
    return Seconds(t1 - t0).count();
}

void BM_CatchUpTick(benchmark::State& state) {
    const auto path = scratch("orv-recorder-bench.dat");
    NoTexts texts;
    orv::ManualClock clock(kStart);
    orv::DataLogger logger(clock, texts);
    const orv::LiveSample sample{21.0f, 50.0f, "BENCH", " \u00B0C", " %"};
    double tickSeconds = 0;
    double floor = 0;
    double maxTick = 0;
    std::int64_t ticks = 0;
    std::int64_t gaps = 0;
    for (auto _ : state) {
        if (logger.state() != orv::LoggerState::Recording ||
            logger.lastRecordTime() + 5.0 / 86400.0 > clock.now()) {
            state.PauseTiming();
            logger.stop();
            clock.set(kStart);
            logger.chooseFile(path.string(), false);
            logger.setInterval(5.0f);
            logger.start(sample);
            clock.advanceSeconds(kGapSeconds);
            ++gaps;
            state.ResumeTiming();
        }
        const auto t0 = std::chrono::steady_clock::now();
        const auto tick = logger.onTimer(sample);
        const double s = Seconds(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(tick);
        tickSeconds += s;
        maxTick = std::max(maxTick, s);
        ++ticks;
        state.PauseTiming();
        floor += floorSeconds(static_cast<std::size_t>(tick.recordsTaken));
        state.ResumeTiming();
    }
    logger.stop();
    std::filesystem::remove(path);
    state.counters["tick_ms"] = tickSeconds / static_cast<double>(ticks) * 1e3;
    state.counters["max_tick_ms"] = maxTick * 1e3;
    state.counters["floor_ms"] = floor / static_cast<double>(ticks) * 1e3;
    state.counters["ratio"] = tickSeconds / floor;
    state.counters["ticks_per_gap"] =
        std::ceil(kGapSeconds / 5.0 / orv::DataLogger::kCatchUpRecords);
    state.counters["gaps"] = static_cast<double>(gaps);
}
BENCHMARK(BM_CatchUpTick)->Unit(benchmark::kMillisecond)->Iterations(60);

} // namespace

BENCHMARK_MAIN();
