// Throughput of the live frame handling: ParseFrame with ShowValues for every frame, fed one
// frame per read as a sensor delivers it, in MB/s of sensor text. The floor is a plain memchr
// scan for CR over the same text, the least any frame finder has to do.
#include "core/Clock.h"
#include "core/FrameChecksum.h"
#include "core/LinkControl.h"
#include "core/LocaleFormat.h"
#include "core/Measurement.h"
#include "core/Texts.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

class BenchTexts final : public orv::Texts {
public:
    [[nodiscard]] std::optional<std::string> text(int germanId) const override {
        return germanId == 186 ? "measured temperature" : "measured humidity";
    }
};

// About 1 MiB of frames as the sensor sends them: mostly the 40-character F layout with its
// serial number, every fourth one the short H layout, values wandering, CR LF after each.
struct SensorText {
    std::string bytes;
    std::vector<std::string_view> reads; // one frame each
};

const SensorText& sensorText() {
    static const SensorText text = [] {
        SensorText t;
        std::vector<std::size_t> ends;
        for (int i = 0; t.bytes.size() < (1U << 20U); ++i) {
            char body[64];
            const double temp = 20.0 + (i % 200) * 0.05;
            const double hum = 40.0 + (i % 300) * 0.1;
            if (i % 4 == 3) {
                std::snprintf(body, sizeof body, "@T;%+05.1f;H;%04.1f;", temp, hum);
            } else {
                std::snprintf(body, sizeof body, "@T;%+07.2f;C;F;%06.2f;%%;S/N;SIM00001;", temp,
                              hum);
            }
            t.bytes += orv::buildFrame(body, "\r\n").value();
            ends.push_back(t.bytes.size());
        }
        std::size_t start = 0;
        for (const std::size_t end : ends) {
            t.reads.emplace_back(t.bytes.data() + start, end - start);
            start = end;
        }
        return t;
    }();
    return text;
}

void runParse(benchmark::State& state, bool windowsOpen) {
    const SensorText& text = sensorText();
    orv::EnglishFormat locale;
    BenchTexts texts;
    orv::ManualClock clock(45000.5);
    orv::LinkControl link;
    orv::Measurement m(locale, texts, clock, link);
    m.settings().MonitorActive = windowsOpen;
    m.settings().onlineShown = windowsOpen;
    std::size_t good = 0;
    for (auto _ : state) {
        for (const auto read : text.reads) {
            good += m.ParseFrame(read) == orv::FrameStatus::Good ? 1 : 0;
        }
    }
    if (good != text.reads.size() * state.iterations()) {
        state.SkipWithError("not every frame was taken as good");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.bytes.size()));
}

void BM_ParseFrameShowValues(benchmark::State& state) {
    runParse(state, false);
}
void BM_ParseFrameShowValuesWindowsOpen(benchmark::State& state) {
    runParse(state, true);
}

void BM_FloorMemchrCr(benchmark::State& state) {
    const std::string& bytes = sensorText().bytes;
    std::size_t crs = 0;
    for (auto _ : state) {
        const char* p = bytes.data();
        const char* const end = p + bytes.size();
        while ((p = static_cast<const char*>(std::memchr(p, '\r', end - p))) != nullptr) {
            ++crs;
            ++p;
        }
        benchmark::DoNotOptimize(crs);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

BENCHMARK(BM_ParseFrameShowValues);
BENCHMARK(BM_ParseFrameShowValuesWindowsOpen);
BENCHMARK(BM_FloorMemchrCr);

// Prints each parse figure beside the floor of the same run.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (run.run_type == Run::RT_Iteration && it != run.counters.end()) {
                rates_[run.benchmark_name()] = it->second.value;
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto floor = rates_.find("BM_FloorMemchrCr");
        if (floor == rates_.end() || floor->second <= 0) {
            return;
        }
        for (const auto& [name, rate] : rates_) {
            if (name == floor->first || rate <= 0) {
                continue;
            }
            std::printf("%s: %.1f MB/s of sensor text; floor (memchr for CR): %.1f MB/s; "
                        "floor/parse = %.0fx\n",
                        name.c_str(), rate / 1e6, floor->second / 1e6, floor->second / rate);
        }
    }

private:
    std::map<std::string, double> rates_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
