// Text export and CSV of 63M records, streamed from a synthetic log file in chunks as the
// commands do it, against their floor: the same number of bytes written in 1 MiB pieces to a new
// file in the same folder, as `dd bs=1M` does. Figure and floor runs alternate (floor, figure,
// floor, figure, ...) so that page cache and writeback are in the same state for both; each is the
// median of its runs. Targets: export at most 1.8 x, CSV at most 2.5 x the floor. ORV_BENCH_SCALE
// shrinks the file, ORV_BENCH_DIR chooses the folder.
#include "BenchSupport.h"

#include "core/LocaleFormat.h"
#include "core/Texts.h"
#include "logging/SyntheticLog.h"
#include "offline/CsvWriter.h"
#include "offline/ExportCommand.h"
#include "offline/ExportWriter.h"
#include "offline/FixedDecimal.h"
#include "offline/LogFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <variant>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRepeats = 5;

class FixedTexts final : public orv::Texts {
public:
    [[nodiscard]] std::optional<std::string> text(int) const override { return std::nullopt; }
};

double secondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 == 1 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The floor: `bytes` written in 1 MiB pieces to a new file, closed, then removed.
double writeFloorSeconds(const fs::path& path, std::uintmax_t bytes) {
    const std::vector<char> piece(std::size_t{1} << 20, '7');
    const auto t0 = Clock::now();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (std::uintmax_t done = 0; done < bytes;) {
        const auto n =
            static_cast<std::size_t>(std::min<std::uintmax_t>(piece.size(), bytes - done));
        if (::write(fd, piece.data(), n) != static_cast<ssize_t>(n)) {
            std::perror("floor write");
            break;
        }
        done += n;
    }
    ::close(fd);
    const double s = secondsSince(t0);
    fs::remove(path);
    return s;
}

struct Figure {
    double seconds = 0;
    double floor = 0;
    double oldFloor = 0; // one floor run right after a figure run, as measured before
    std::uintmax_t bytes = 0;
};

// Runs `write` (which makes `out`) and the floor alternately; the file is removed after each run.
Figure measure(const fs::path& out, const fs::path& floorPath,
               const std::function<std::error_code()>& write) {
    Figure f;
    // The first run gives the size; its floor right after it is the old method's figure.
    if (const std::error_code ec = write()) {
        std::fprintf(stderr, "%s: %s\n", out.c_str(), ec.message().c_str());
        std::exit(1);
    }
    f.bytes = fs::file_size(out);
    fs::remove(out);
    f.oldFloor = writeFloorSeconds(floorPath, f.bytes);
    std::vector<double> runs;
    std::vector<double> floors;
    for (int r = 0; r < kRepeats; ++r) {
        floors.push_back(writeFloorSeconds(floorPath, f.bytes));
        const auto t0 = Clock::now();
        const std::error_code ec = write();
        runs.push_back(secondsSince(t0));
        fs::remove(out);
        if (ec) {
            std::fprintf(stderr, "%s: %s\n", out.c_str(), ec.message().c_str());
            std::exit(1);
        }
    }
    f.seconds = median(runs);
    f.floor = median(floors);
    return f;
}

void print(const char* what, const Figure& f, double target) {
    std::printf("%s: %.1f MB in %.0f ms, write floor %.0f ms (median of %d interleaved), ratio "
                "%.2f (target <= %.1f); old floor (one run after the %s) %.0f ms, ratio %.2f\n",
                what, static_cast<double>(f.bytes) / 1e6, f.seconds * 1e3, f.floor * 1e3, kRepeats,
                f.seconds / f.floor, target, what, f.oldFloor * 1e3, f.seconds / f.oldFloor);
}

// Values to format in the per-value benchmarks: a million records of the file.
std::vector<float> gTemp;
std::vector<float> gCh2;

// Formatting alone, without any file: the cost per value on top of write().
void formatExportValues(benchmark::State& state) {
    const std::vector<float>& values = gTemp;
    char buf[orv::kMaxExportValueChars];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(orv::formatExportValue(buf, values[i], ","));
        i = i + 1 == values.size() ? 0 : i + 1;
    }
}

void formatCsvValues(benchmark::State& state) {
    const std::vector<float>& values = gCh2;
    char buf[64];
    std::size_t i = 0;
    for (auto _ : state) {
        const float v = values[i];
        benchmark::DoNotOptimize(v == v ? orv::fixed::shortestFixed(buf, v, ',') : buf);
        i = i + 1 == values.size() ? 0 : i + 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const auto folder = orv::bench::makeBenchFolder("orv-bench-export");
    if (!folder) {
        return 1;
    }
    const fs::path dir = *folder;
    orv::SyntheticLogOptions o;
    o.records = static_cast<std::int64_t>(63'000'000 * orv::bench::benchScale());
    o.interval = 5.0F;
    o.gaps = true;
    if (const auto problem = orv::writeSyntheticLog(dir / "63M.dat", o)) {
        std::fprintf(stderr, "cannot make the log: %s\n", problem->c_str());
        fs::remove_all(dir);
        return 1;
    }
    // The records stream from the file in chunks (pread), as the commands read them.
    auto opened = orv::LogFile::open(dir / "63M.dat");
    if (!std::holds_alternative<orv::LogFile>(opened)) {
        std::fprintf(stderr, "cannot open the log: %s\n",
                     std::get<orv::LoadError>(opened).detail.c_str());
        fs::remove_all(dir);
        return 1;
    }
    orv::LogFile& log = std::get<orv::LogFile>(opened);
    gTemp.resize(static_cast<std::size_t>(std::min<std::int64_t>(log.size(), 1'000'000)));
    gCh2.resize(gTemp.size());
    if (log.read(0, gTemp, gCh2)) {
        std::fprintf(stderr, "cannot read the log\n");
        return 1;
    }

    benchmark::RegisterBenchmark("format_export_value", formatExportValues);
    benchmark::RegisterBenchmark("format_csv_value", formatCsvValues);
    benchmark::RunSpecifiedBenchmarks();

    const FixedTexts texts;
    const orv::GermanFormat locale;
    const orv::ExportSource source = orv::exportSourceOf(log.header(), log.size(), "63M.dat");
    const fs::path txt = dir / "export.txt";
    const Figure exportFigure = measure(txt, dir / "floor", [&] {
        return orv::exportToFile(txt, source, 0, log.size(), log, texts, locale);
    });
    const fs::path csv = dir / "export.csv";
    const Figure csvFigure = measure(csv, dir / "floor", [&] {
        const int fd = ::open(csv.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        std::error_code ec =
            orv::writeCsv(fd, log.header(), 0, log.size(), log, orv::germanCsvOptions());
        if (::close(fd) != 0 && !ec) {
            ec = std::error_code(errno, std::generic_category());
        }
        return ec;
    });

    std::printf("\n== figures beside their floors (%lld records)\n",
                static_cast<long long>(log.size()));
    print("export", exportFigure, 1.8);
    print("csv", csvFigure, 2.5);
    fs::remove_all(dir);
    return 0;
}
