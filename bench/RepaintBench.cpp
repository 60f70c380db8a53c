// A full repaint of the diagram over a 63-million-record file, offscreen at 1920 x 1080 pixels
// (frame, grid, labels, legend, both curves, markers), beside its floor from the same run: the
// per-column reduction of both curves alone, which every repaint needs. Also the repaint of a
// 10-million-record file, to show that the cost does not grow with the file.
//
// ORV_BENCH_DIR chooses the folder of the temporary files, ORV_BENCH_SCALE=0.1 makes them ten
// times smaller for a quick look.
#include "core/LocaleFormat.h"
#include "logging/SyntheticLog.h"
#include "offline/DataWindow.h"
#include "offline/DiagramPainter.h"
#include "offline/LogLoader.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

orv::DiagramContent contentOf(const orv::LogData& log) {
    orv::DiagramContent c;
    c.data = &log;
    c.view = {0, log.size()};
    c.scale = orv::autoScaleOf(log, c.view);
    c.markerLeft = log.size() / 3;
    c.markerRight = 2 * log.size() / 3;
    return c;
}

void repaint(benchmark::State& state, const orv::LogData* log) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    const orv::DiagramContent content = contentOf(*log);
    const orv::GermanFormat locale;
    const orv::DiagramPainter painter(QSizeF(kWidth, kHeight), 96, 96);
    for (auto _ : state) {
        QPainter p(&image);
        painter.paint(p, content, locale);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// A floor: clearing the picture, which any repaint starts with.
void clearOnly(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(image.rect(), Qt::white);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The other floor: both curves reduced to one column per pixel of the plot area.
void reductionOnly(benchmark::State& state, const orv::LogData* log) {
    const orv::DiagramPainter painter(QSizeF(kWidth, kHeight), 96, 96);
    const auto columns =
        static_cast<std::size_t>(std::ceil(painter.xPixels(painter.geometry().plotWidth())));
    std::vector<orv::ColumnSpan> spans(columns);
    for (auto _ : state) {
        for (const orv::Channel c : {orv::Channel::Temperature, orv::Channel::Channel2}) {
            log->reduce(c, 0, log->size(), spans);
            benchmark::DoNotOptimize(spans.data());
        }
    }
}

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
                seconds[r.benchmark_name()] =
                    r.real_accumulated_time / static_cast<double>(r.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    const double scale = orv::bench::benchScale();
    const auto folder = orv::bench::makeBenchFolder("orv-repaint");
    if (!folder) {
        return 1;
    }
    const std::filesystem::path dir = *folder;
    const std::pair<const char*, double> sizes[] = {{"10M", 10e6}, {"63M", 63e6}};
    std::vector<orv::LogData> logs;
    for (const auto& [label, records] : sizes) {
        orv::SyntheticLogOptions o;
        o.records = static_cast<std::int64_t>(records * scale);
        o.interval = 5.0f;
        o.gaps = true;
        const auto path = dir / (std::string(label) + ".dat");
        if (const auto problem = orv::writeSyntheticLog(path, o)) {
            std::fprintf(stderr, "cannot make %s: %s\n", path.c_str(), problem->c_str());
            std::filesystem::remove_all(dir);
            return 1;
        }
        logs.push_back(std::move(std::get<orv::LogData>(orv::loadLogFile(path))));
        std::filesystem::remove(path);
    }
    benchmark::RegisterBenchmark("repaint_1920/10M", repaint, &logs[0])
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("repaint_1920/63M", repaint, &logs[1])
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("reduction_only_1920/63M", reductionOnly, &logs[1])
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("clear_only_1920", clearOnly)->Unit(benchmark::kMillisecond);

    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.seconds;
    const double r63 = t["repaint_1920/63M"];
    const double r10 = t["repaint_1920/10M"];
    const double floor = t["reduction_only_1920/63M"];
    const double clear = t["clear_only_1920"];
    std::printf("\n== figures beside their floors\n");
    std::printf("full repaint 1920x1080 offscreen, 63M records: %.2f ms (target < 16 ms); "
                "clearing the picture alone %.2f ms, ratio %.1f; reduction of both curves alone "
                "(index in the cache) %.2f ms, ratio %.1f; 10M records %.2f ms, ratio 63M/10M "
                "%.2f\n",
                r63 * 1e3, clear * 1e3, r63 / clear, floor * 1e3, r63 / floor, r10 * 1e3,
                r63 / r10);
    std::filesystem::remove_all(dir);
    return 0;
}
