// Log engine figures on files of 10 and 63 million records, each beside its floor from the same
// run: open + index vs the fastest way to get the file's bytes into memory at all (a read() into
// huge pages touched beforehand, or a mapping of the file with every page touched, whichever is
// faster here), the same load where the file cannot be mapped (records read into memory), and for
// comparison vs the older floors that pay page faults (a plain read() into
// fresh memory, a read() into fresh huge pages); one redraw's reduction at 63M vs at 10M, marker
// statistics vs a plain scan of the same ranges (and their error against a long-double
// reference), index memory vs the record data.
//
// The files are made in a temporary folder (ORV_BENCH_DIR, else the system temp folder) and
// removed at the end; ORV_BENCH_SCALE=0.1 makes them ten times smaller for a quick look.
#include "logging/SyntheticLog.h"
#include "offline/LogLoader.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using orv::Channel;

struct BenchFile {
    std::string label;
    std::filesystem::path path;
    std::int64_t records = 0;
};

using Range = std::pair<std::int64_t, std::int64_t>;

// Opens the file and read()s all of it into the memory `allocate(size)` gives.
template <typename Allocate>
auto readWhole(const std::filesystem::path& path, std::size_t& size, Allocate allocate) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    ::fstat(fd, &st);
    size = static_cast<std::size_t>(st.st_size);
    auto buf = allocate(size);
    unsigned char* p = &buf[0];
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, p + done, size - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return buf;
}

std::unique_ptr<unsigned char[]> readWhole(const std::filesystem::path& path, std::size_t& size) {
    return readWhole(path, size, [](std::size_t n) {
        return std::unique_ptr<unsigned char[]>(new unsigned char[n]);
    });
}

void readFloor(benchmark::State& state, const BenchFile* f) {
    for (auto _ : state) {
        std::size_t size = 0;
        auto buf = readWhole(f->path, size);
        benchmark::DoNotOptimize(buf[size - 1]);
    }
}

// The same read into memory asked for in huge pages, as the loader asks for its arrays: the
// stricter floor, without the page faults that the plain one pays.
void readFloorHugePages(benchmark::State& state, const BenchFile* f) {
    for (auto _ : state) {
        std::size_t size = 0;
        auto* buf = readWhole(f->path, size, [](std::size_t n) {
            void* mem =
                ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            ::madvise(mem, n, MADV_HUGEPAGE);
            return static_cast<unsigned char*>(mem);
        });
        benchmark::DoNotOptimize(buf[size - 1]);
        ::munmap(buf, size);
    }
}

// read() into huge pages allocated and touched once, before the timing: no page fault at all,
// just the copy out of the page cache.
void readFloorTouched(benchmark::State& state, const BenchFile* f) {
    const auto size = static_cast<std::size_t>(std::filesystem::file_size(f->path));
    void* mem = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ::madvise(mem, size, MADV_HUGEPAGE);
    auto* buf = static_cast<unsigned char*>(mem);
    std::memset(buf, 1, size);
    for (auto _ : state) {
        std::size_t got = 0;
        readWhole(f->path, got, [buf](std::size_t) { return buf; });
        benchmark::DoNotOptimize(buf[got - 1]);
    }
    ::munmap(mem, size);
}

// The file mapped and every cache line of it read once: the page cache's own pages, no copy,
// but every byte brought to the processor as a loader must.
void mapFloor(benchmark::State& state, const BenchFile* f) {
    for (auto _ : state) {
        const int fd = ::open(f->path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        ::fstat(fd, &st);
        const auto size = static_cast<std::size_t>(st.st_size);
        void* mem = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        const auto* p = static_cast<const unsigned char*>(mem);
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i + 8 <= size; i += 64) {
            std::uint64_t word;
            std::memcpy(&word, p + i, sizeof word);
            sum += word;
        }
        benchmark::DoNotOptimize(sum);
        ::munmap(mem, size);
        ::close(fd);
    }
}

void openAndIndex(benchmark::State& state, const BenchFile* f) {
    for (auto _ : state) {
        auto r = orv::loadLogFile(f->path);
        benchmark::DoNotOptimize(std::get<orv::LogData>(r).size());
    }
}

// The same where the file cannot be mapped: the records read into memory of the log's own.
void openAndIndexRead(benchmark::State& state, const BenchFile* f) {
    orv::LoadTuning tuning;
    tuning.readIntoMemory = true;
    for (auto _ : state) {
        auto r = orv::loadLogFile(f->path, nullptr, tuning);
        benchmark::DoNotOptimize(std::get<orv::LogData>(r).size());
    }
}

// Both curves of a 1920-pixel-wide plot over the whole file.
void redraw(benchmark::State& state, const orv::LogData* log) {
    std::vector<orv::ColumnSpan> columns(1920);
    for (auto _ : state) {
        for (const Channel c : {Channel::Temperature, Channel::Channel2}) {
            log->reduce(c, 0, log->size(), columns);
            benchmark::DoNotOptimize(columns.data());
        }
    }
}

// Both channels between two markers, a different range each time.
void markerStats(benchmark::State& state, const orv::LogData* log,
                 const std::vector<Range>* ranges) {
    std::size_t i = 0;
    for (auto _ : state) {
        const Range& r = (*ranges)[i++ % ranges->size()];
        for (const Channel c : {Channel::Temperature, Channel::Channel2}) {
            benchmark::DoNotOptimize(log->stats(c, r.first, r.second));
        }
    }
}

// The same without an index: every record of the range read once.
void markerStatsScan(benchmark::State& state, const orv::LogData* log,
                     const std::vector<Range>* ranges) {
    std::size_t i = 0;
    for (auto _ : state) {
        const Range& r = (*ranges)[i++ % ranges->size()];
        for (const Channel c : {Channel::Temperature, Channel::Channel2}) {
            const auto v = log->channel(c);
            double sum = 0;
            float mn = INFINITY;
            float mx = -INFINITY;
            for (std::int64_t k = r.first; k <= r.second; ++k) {
                const float x = v[static_cast<std::size_t>(k)];
                sum += x == x ? x : 0.0;
                mn = x < mn ? x : mn;
                mx = x > mx ? x : mx;
            }
            benchmark::DoNotOptimize(sum + mn + mx);
        }
    }
}

// Keeps the mean real time of every benchmark by name, for the ratio lines.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
                // "redraw_1920/63M/min_time:2.000" -> "redraw_1920/63M"
                const std::string name = r.benchmark_name();
                const auto cut = name.find('/', name.find('/') + 1);
                seconds[name.substr(0, cut)] =
                    r.real_accumulated_time / static_cast<double>(r.iterations);
                cpuSeconds[name.substr(0, cut)] =
                    r.cpu_accumulated_time / static_cast<double>(r.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
    std::map<std::string, double> cpuSeconds; // of the whole process, every thread
};

// Largest relative error of sum and average against a long-double reference, and whether the
// extremes matched exactly, over the given ranges of both channels.
std::pair<double, bool> exactness(const orv::LogData& log, const std::vector<Range>& ranges) {
    double worst = 0;
    bool extremesExact = true;
    for (const Range& r : ranges) {
        for (const Channel c : {Channel::Temperature, Channel::Channel2}) {
            const auto v = log.channel(c);
            long double sum = 0;
            std::int64_t count = 0;
            float mn = INFINITY;
            float mx = -INFINITY;
            for (std::int64_t k = r.first; k <= r.second; ++k) {
                const float x = v[static_cast<std::size_t>(k)];
                if (x == x) {
                    sum += x;
                    ++count;
                    mn = std::min(mn, x);
                    mx = std::max(mx, x);
                }
            }
            const orv::RangeStats s = log.stats(c, r.first, r.second);
            if (count > 0) {
                worst = std::max(worst, static_cast<double>(std::fabs((s.sum - sum) / sum)));
                extremesExact = extremesExact && s.min == mn && s.max == mx && s.count == count;
            }
        }
    }
    return {worst, extremesExact};
}

std::vector<Range> randomRanges(std::int64_t n, std::size_t howMany, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<std::int64_t> pick(0, n - 1);
    std::vector<Range> out;
    for (std::size_t i = 0; i < howMany; ++i) {
        std::int64_t a = pick(rng);
        std::int64_t b = pick(rng);
        out.emplace_back(std::min(a, b), std::max(a, b));
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const double scale = orv::bench::benchScale();
    const auto folder = orv::bench::makeBenchFolder("orv-bench");
    if (!folder) {
        return 1;
    }
    const std::filesystem::path dir = *folder;
    std::vector<BenchFile> files = {
        {"10M", dir / "10M.dat", static_cast<std::int64_t>(10'000'000 * scale)},
        {"63M", dir / "63M.dat", static_cast<std::int64_t>(63'000'000 * scale)},
    };
    for (const BenchFile& f : files) {
        orv::SyntheticLogOptions o;
        o.records = f.records;
        o.interval = 5.0f;
        o.gaps = true;
        if (const auto problem = orv::writeSyntheticLog(f.path, o)) {
            std::fprintf(stderr, "cannot make %s: %s\n", f.path.c_str(), problem->c_str());
            std::filesystem::remove_all(dir);
            return 1;
        }
        std::size_t size = 0;
        readWhole(f.path, size); // warm cache
    }

    std::vector<orv::LogData> logs;
    for (const BenchFile& f : files) {
        logs.push_back(std::move(std::get<orv::LogData>(orv::loadLogFile(f.path))));
    }
    const std::vector<Range> ranges = randomRanges(logs[1].size(), 4096, 1);

    using FileBench = void (*)(benchmark::State&, const BenchFile*);
    const std::pair<const char*, FileBench> fileBenches[] = {
        {"read_floor/", readFloor},
        {"read_floor_hugepages/", readFloorHugePages},
        {"read_floor_touched/", readFloorTouched},
        {"map_floor/", mapFloor},
        {"open_index/", openAndIndex},
        {"open_index_read/", openAndIndexRead},
    };
    for (const BenchFile& f : files) {
        for (const auto& [name, run] : fileBenches) {
            benchmark::RegisterBenchmark((name + f.label).c_str(), run, &f)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(2.0)
                ->MeasureProcessCPUTime()
                ->UseRealTime();
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        benchmark::RegisterBenchmark(("redraw_1920/" + files[i].label).c_str(), redraw, &logs[i])
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("marker_stats/63M", markerStats, &logs[1], &ranges)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("marker_stats_scan/63M", markerStatsScan, &logs[1], &ranges)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(32);

    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.seconds;
    auto& cpu = reporter.cpuSeconds;

    std::printf("\n== figures beside their floors\n");
    for (const BenchFile& f : files) {
        const double load = t["open_index/" + f.label];
        const double plain = t["read_floor/" + f.label];
        const double huge = t["read_floor_hugepages/" + f.label];
        const double touched = t["read_floor_touched/" + f.label];
        const double mapped = t["map_floor/" + f.label];
        const bool readWins = touched <= mapped;
        const double floor = readWins ? touched : mapped;
        std::printf("open+index %s: %.1f ms (CPU %.1f ms); floor %s %.1f ms (CPU %.1f ms; the "
                    "other %.1f ms), ratio %.2f (target <= 2.0); older floors: plain read() %.1f "
                    "ms, ratio %.2f, read() into fresh huge pages %.1f ms, ratio %.2f\n",
                    f.label.c_str(), load * 1e3, cpu["open_index/" + f.label] * 1e3,
                    readWins ? "read() into touched huge pages" : "mmap + read once", floor * 1e3,
                    cpu[(readWins ? "read_floor_touched/" : "map_floor/") + f.label] * 1e3,
                    (readWins ? mapped : touched) * 1e3, load / floor, plain * 1e3, load / plain,
                    huge * 1e3, load / huge);
        const double read = t["open_index_read/" + f.label];
        std::printf("open+index %s with the records read into memory (a file that cannot be "
                    "mapped): %.1f ms, ratio %.2f\n",
                    f.label.c_str(), read * 1e3, read / floor);
    }
    const double r10 = t["redraw_1920/10M"];
    const double r63 = t["redraw_1920/63M"];
    std::printf("redraw reduction 1920 columns, both curves: 63M %.3f ms, 10M %.3f ms, ratio %.2f "
                "(target <= 2, and < 5 ms)\n",
                r63 * 1e3, r10 * 1e3, r63 / r10);
    const double st = t["marker_stats/63M"];
    const double scan = t["marker_stats_scan/63M"];
    std::printf("marker statistics 63M, both channels: %.2f us, plain scan of the same ranges "
                "%.2f ms, ratio 1:%.0f (target < 50 us)\n",
                st * 1e6, scan * 1e3, scan / st);
    std::vector<Range> checked(ranges.begin(), ranges.begin() + 24);
    checked.emplace_back(0, logs[1].size() - 1);
    checked.emplace_back(12345, 12345);
    checked.emplace_back(1000, 1300);
    const auto [worst, extremes] = exactness(logs[1], checked);
    std::printf("marker statistics exactness: largest relative error of the sum %.2e against "
                "long double (target < 1e-9); extremes and counts %s\n",
                worst, extremes ? "exact" : "DIFFER");
    for (std::size_t i = 0; i < files.size(); ++i) {
        const double data = 8.0 * static_cast<double>(logs[i].size());
        std::printf(
            "index memory %s: %.1f MB beside %.1f MB of records, %.1f %% (target <= 25 %%)\n",
            files[i].label.c_str(), static_cast<double>(logs[i].indexBytes()) / 1e6, data / 1e6,
            100.0 * static_cast<double>(logs[i].indexBytes()) / data);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
