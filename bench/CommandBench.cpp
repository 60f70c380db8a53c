// The log commands of the real orv-tool on a 63M-record file (ORV_BENCH_SCALE shrinks it), each
// run as a child process: wall time and peak resident set from wait4. Beside each figure, in the
// same run and interleaved with it, the floor of a command that needs only part of the file: a
// child that opens the file and reads its 47-byte header (`head -c 47`). Targets: info under
// 5 ms and 5 MiB, stats and export of 1000 records under 10 ms, a whole-file export or CSV under
// 64 MiB.
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr double kFullRecords = 63'000'000;

struct Run {
    double ms = 0;
    double rssMiB = 0;
    double cpuMs = 0; // user + system: what the command costs however busy the machine is
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (const char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

// One run of `argv` through orv-bench-child; nullopt (and a message) when it failed.
std::optional<Run> runChild(const std::vector<std::string>& argv) {
    std::string command = quoted(ORV_BENCH_CHILD_PATH) + " 1";
    for (const auto& a : argv) {
        command += " " + quoted(a);
    }
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) {
        std::perror("popen");
        return std::nullopt;
    }
    long long ns = 0;
    long kib = 0;
    long long cpuNs = 0;
    int status = -1;
    const int fields = std::fscanf(p, "%lld %ld %lld %d", &ns, &kib, &cpuNs, &status);
    ::pclose(p);
    if (fields != 4 || status != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", command.c_str(), status);
        return std::nullopt;
    }
    return Run{static_cast<double>(ns) / 1e6, static_cast<double>(kib) / 1024,
               static_cast<double>(cpuNs) / 1e6};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The synthetic file, made once by the real `orv-tool synth` and removed at the end.
struct BenchFile {
    std::filesystem::path folder;
    std::filesystem::path log;
    std::int64_t records = 0;

    BenchFile() {
        const auto made = orv::bench::makeBenchFolder("orv-bench-commands");
        if (!made) {
            return;
        }
        folder = *made;
        log = folder / "big.dat";
        records = std::max<std::int64_t>(
            10000, static_cast<std::int64_t>(kFullRecords * orv::bench::benchScale()));
        if (!runChild({ORV_TOOL_PATH, "synth", log.string(), "--records", std::to_string(records),
                       "--gaps"})) {
            records = 0;
        }
    }
    ~BenchFile() {
        if (!folder.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    }
};

const BenchFile& benchFile() {
    static const BenchFile file;
    return file;
}

std::vector<std::string> tool(std::vector<std::string> args) {
    args.insert(args.begin(), ORV_TOOL_PATH);
    return args;
}

// A command over part of the file against the header floor, `repeats` times each, interleaved;
// the medians of the times and the largest resident sets.
void againstHeaderFloor(benchmark::State& state, const std::vector<std::string>& args,
                        double targetMs, double targetMiB) {
    const BenchFile& file = benchFile();
    if (file.records == 0) {
        state.SkipWithError("no log file to measure");
        return;
    }
    const std::vector<std::string> floor = {"/usr/bin/head", "-c", "47", file.log.string()};
    constexpr int kRepeats = 31;
    std::vector<double> ms;
    std::vector<double> floorMs;
    std::vector<double> cpuMs;
    std::vector<double> floorCpuMs;
    double rss = 0;
    double floorRss = 0;
    for (auto _ : state) {
        // once each to warm the page cache and the dynamic loader's files
        if (!runChild(tool(args)) || !runChild(floor)) {
            state.SkipWithError("a child failed");
            return;
        }
        for (int i = 0; i < kRepeats; ++i) {
            const auto figure = runChild(tool(args));
            const auto base = runChild(floor);
            if (!figure || !base) {
                state.SkipWithError("a child failed");
                return;
            }
            ms.push_back(figure->ms);
            floorMs.push_back(base->ms);
            cpuMs.push_back(figure->cpuMs);
            floorCpuMs.push_back(base->cpuMs);
            rss = std::max(rss, figure->rssMiB);
            floorRss = std::max(floorRss, base->rssMiB);
        }
        state.SetIterationTime(median(ms) / 1e3);
    }
    state.counters["records"] = static_cast<double>(file.records);
    state.counters["ms"] = median(ms);
    state.counters["floor_ms"] = median(floorMs);
    state.counters["ratio"] = median(ms) / median(floorMs);
    state.counters["cpu_ms"] = median(cpuMs);
    state.counters["floor_cpu_ms"] = median(floorCpuMs);
    state.counters["rss_MiB"] = rss;
    state.counters["floor_rss_MiB"] = floorRss;
    state.counters["target_ms"] = targetMs;
    state.counters["met"] = median(ms) < targetMs && (targetMiB == 0 || rss < targetMiB);
    if (targetMiB > 0) {
        state.counters["target_MiB"] = targetMiB;
    }
}

std::vector<std::string> middleRange(const char* command, const char* firstOption,
                                     const char* lastOrCountOption, bool inclusiveLast) {
    const std::int64_t mid = benchFile().records / 2;
    return {command,           benchFile().log.string(),
            firstOption,       std::to_string(mid),
            lastOrCountOption, std::to_string(inclusiveLast ? mid + 999 : 1000)};
}

void BM_Info(benchmark::State& state) {
    againstHeaderFloor(state, {"info", benchFile().log.string()}, 5, 5);
}
void BM_Stats1000(benchmark::State& state) {
    againstHeaderFloor(state, middleRange("stats", "--from", "--to", true), 10, 0);
}
void BM_Export1000(benchmark::State& state) {
    againstHeaderFloor(state, middleRange("export", "--start", "--count", false), 10, 0);
}
void BM_Csv1000(benchmark::State& state) {
    againstHeaderFloor(state, middleRange("csv", "--start", "--count", false), 10, 0);
}

// A whole-file export or CSV streams the file: its peak resident set stays bounded (target
// 64 MiB) however large the file. The time is reported; its floor belongs to bench_export.
void wholeFile(benchmark::State& state, const char* command) {
    const BenchFile& file = benchFile();
    if (file.records == 0) {
        state.SkipWithError("no log file to measure");
        return;
    }
    const auto out = file.folder / (std::string(command) + ".txt");
    std::optional<Run> run;
    for (auto _ : state) {
        run = runChild(tool({command, file.log.string(), "-o", out.string()}));
        if (!run) {
            state.SkipWithError("the command failed");
            return;
        }
        state.SetIterationTime(run->ms / 1e3);
    }
    std::error_code ec;
    state.counters["records"] = static_cast<double>(file.records);
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(out, ec)) / 1e6;
    state.counters["ms"] = run->ms;
    state.counters["rss_MiB"] = run->rssMiB;
    state.counters["target_MiB"] = 64;
    state.counters["met"] = run->rssMiB < 64;
    std::filesystem::remove(out, ec);
}
void BM_ExportWholeFile(benchmark::State& state) {
    wholeFile(state, "export");
}
void BM_CsvWholeFile(benchmark::State& state) {
    wholeFile(state, "csv");
}

BENCHMARK(BM_Info)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stats1000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export1000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Csv1000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportWholeFile)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvWholeFile)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
