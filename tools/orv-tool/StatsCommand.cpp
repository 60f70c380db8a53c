#include "CommandLine.h"
#include "core/Json.h"
#include "LogCommands.h"
#include "LogCommandSupport.h"

#include "offline/RecordSource.h"

#include <iostream>

namespace orv::tool {
namespace {

constexpr const char* kStatsUsage =
    "usage: orv-tool stats FILE [--from I] [--to J]\n"
    "Prints min, max, average and value count of temperature and channel 2 over records I..J, "
    "both\n"
    "included (default: all records), as one JSON object; records without a value are skipped.\n";

std::string statsJson(const RangeStats& s) {
    return "{\"min\":" + jsonNumber(s.min) + ",\"max\":" + jsonNumber(s.max) +
           ",\"avg\":" + jsonNumber(s.average()) + ",\"count\":" + std::to_string(s.count) + "}";
}

} // namespace

int runStats(const std::vector<std::string>& args) {
    const auto parsed = readLogCommandLine("stats", kStatsUsage, args, {"--from", "--to"});
    if (!parsed) {
        return 0;
    }
    const LogCommandLine& line = *parsed;
    const auto fromText = line.value("--from");
    const auto toText = line.value("--to");
    const std::uint64_t from = fromText ? parseCount("--from", *fromText, 0) : 0;
    const std::optional<std::uint64_t> to =
        toText ? std::optional(parseCount("--to", *toText, 0)) : std::nullopt;

    // Only the records of the range are read, so a few records of a large file cost a few
    // records, and the whole file streams through in chunks.
    LogFile log = openLogForCommand("stats", line.file);
    if (log.size() == 0) {
        failure("stats: " + line.file + ": the file holds no records");
    }
    const auto size = static_cast<std::uint64_t>(log.size());
    const std::uint64_t last = to.value_or(size - 1);
    if (last >= size || from > last) {
        usageError("stats: the range " + std::to_string(from) + ".." + std::to_string(last) +
                   " does not lie within records 0.." + std::to_string(size - 1));
    }
    ChannelStats stats;
    if (const std::error_code ec = scanStatistics(log, static_cast<std::int64_t>(from),
                                                  static_cast<std::int64_t>(last), stats)) {
        failure("stats: " + line.file + ": " + ec.message());
    }
    std::cout << "{\"records\":" << size << ",\"from\":" << from << ",\"to\":" << last
              << ",\"temperature\":" << statsJson(stats.temperature)
              << ",\"channel2\":" << statsJson(stats.channel2) << "}\n";
    std::cout.flush();
    if (!std::cout) {
        failure("stats: cannot write to standard output");
    }
    return 0;
}

} // namespace orv::tool
