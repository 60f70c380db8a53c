// orv-tool synth OUT.dat --records N [--interval S] [--start ISO] [--unit C|F|K]
//                [--channel2 humidity|dewpoint] [--serial TEXT] [--gaps] [--seed N]
#include "CommandLine.h"
#include "Commands.h"

#include "core/DayNumber.h"
#include "logging/SyntheticLog.h"
#include "offline/LogLoader.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace orv::tool {
namespace {

// "2024-03-01", "2024-03-01T08:00", "2024-03-01 08:00:30": local time, like every day number.
std::optional<double> parseIsoLocal(const std::string& text) {
    CivilTime t;
    char sep = 'T';
    const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &t.year, &t.month,
                                   &t.day, &sep, &t.hour, &t.minute, &t.second);
    if (fields == 3 && text.size() == 10) {
        t.hour = t.minute = t.second = 0;
    } else if (fields == 6) {
        t.second = 0;
    } else if (fields != 7) {
        return std::nullopt;
    }
    if ((sep != 'T' && sep != ' ') || t.year < 100 || t.year > 9999 || t.month < 1 ||
        t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 59) {
        return std::nullopt;
    }
    const double d = fromCivil(t);
    const CivilTime back = toCivil(d);
    if (back.month != t.month || back.day != t.day) {
        return std::nullopt; // 31 February and the like
    }
    return d;
}

float parseInterval(const std::string& text) {
    float s = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, s);
    if (text.empty() || ec != std::errc{} || ptr != end || !std::isfinite(s) || s <= 0 ||
        s > kMaxLogIntervalSeconds) {
        usageError("--interval wants a positive number of seconds up to 86400, not '" + text + "'");
    }
    return s;
}

constexpr const char* kSynthUsage =
    "usage: orv-tool synth OUT.dat --records N [--interval S] [--start ISO] [--unit C|F|K]\n"
    "                [--channel2 humidity|dewpoint] [--serial TEXT] [--gaps] [--seed N]\n"
    "Writes a synthetic log file: a daily temperature and humidity curve with noise, the same\n"
    "for the same options and seed. Defaults: interval 60 s, start 2024-01-01T00:00:00, unit C,\n"
    "channel 2 humidity, text SYNTH001. --gaps puts runs of missing values (NaN) into it, as a\n"
    "sensor outage or a sleeping computer would. 100 million records take a few seconds.\n";

} // namespace

int runSynth(const CommandArgs& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kSynthUsage, stdout);
        return 0;
    }
    SyntheticLogOptions o;
    std::optional<std::string> out;
    bool haveRecords = false;
    ArgReader reader(args);
    while (!reader.done()) {
        const std::string a = reader.take();
        if (a == "--gaps") {
            o.gaps = true;
        } else if (a == "--records") {
            const std::uint64_t n = parseCount(a, reader.value(a), 0);
            if (n > 2147483647) {
                usageError("--records wants at most 2147483647 records (the count is 32 bits)");
            }
            o.records = static_cast<std::int64_t>(n);
            haveRecords = true;
        } else if (a == "--interval") {
            o.interval = parseInterval(reader.value(a));
        } else if (a == "--start") {
            const std::string v = reader.value(a);
            const auto d = parseIsoLocal(v);
            if (!d) {
                usageError("--start wants a local date and time like 2024-03-01T08:00:00, not '" +
                           v + "'");
            }
            o.startTime = *d;
        } else if (a == "--unit") {
            const std::string v = reader.value(a);
            if (v != "C" && v != "F" && v != "K") {
                usageError("--unit wants C, F or K, not '" + v + "'");
            }
            o.tempUnit = v[0];
        } else if (a == "--channel2") {
            const std::string v = reader.value(a);
            if (v != "humidity" && v != "dewpoint") {
                usageError("--channel2 wants humidity or dewpoint, not '" + v + "'");
            }
            o.dewPoint = v == "dewpoint";
        } else if (a == "--serial") {
            o.serial = reader.value(a);
        } else if (a == "--seed") {
            o.seed = parseCount(a, reader.value(a), 0);
        } else if (a.starts_with("--")) {
            usageError("synth: unknown option " + a);
        } else if (out) {
            usageError("synth: more than one output file given");
        } else {
            out = a;
        }
    }
    if (!out || !haveRecords) {
        usageError("usage: orv-tool synth OUT.dat --records N [--interval S] [--start ISO] "
                   "[--unit C|F|K] [--channel2 humidity|dewpoint] [--serial TEXT] [--gaps] "
                   "[--seed N]");
    }
    if (const auto problem = writeSyntheticLog(*out, o)) {
        failure("synth: " + *problem);
    }
    return 0;
}

} // namespace orv::tool
