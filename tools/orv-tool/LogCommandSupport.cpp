#include "LogCommandSupport.h"

#include "CommandLine.h"
#include "core/DayNumber.h"
#include "offline/LogLoader.h"

#include <cmath>
#include <cstdio>

namespace orv::tool {
namespace {

const char* loadErrorText(LoadError::Kind kind) {
    switch (kind) {
    case LoadError::Kind::NotFound:
        return "file not found";
    case LoadError::Kind::NotALogFile:
        return "not a valid log file";
    case LoadError::Kind::DataError:
        return "data error, the file may be damaged";
    case LoadError::Kind::OutOfMemory:
        return "the records do not fit into memory";
    }
    return "cannot be loaded";
}

} // namespace

std::optional<std::string> LogCommandLine::value(const std::string& option) const {
    const auto it = values.find(option);
    if (it == values.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<LogCommandLine> readLogCommandLine(std::string_view command, std::string_view usage,
                                                 const std::vector<std::string>& args,
                                                 const std::set<std::string>& valueOptions,
                                                 const std::set<std::string>& flagOptions) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            std::fwrite(usage.data(), 1, usage.size(), stdout);
            return std::nullopt;
        }
    }
    const std::string name(command);
    LogCommandLine line;
    std::vector<std::string> files;
    ArgReader reader(args);
    while (!reader.done()) {
        const std::string arg = reader.take();
        if (arg.size() < 2 || arg.front() != '-') {
            files.push_back(arg);
        } else if (flagOptions.contains(arg)) {
            line.flags.insert(arg);
        } else if (valueOptions.contains(arg)) {
            line.values[arg] = reader.value(arg);
        } else {
            usageError(name + ": unknown option " + arg + " (see orv-tool " + name + " --help)");
        }
    }
    if (files.size() != 1) {
        usageError(name + ": expected exactly one log file");
    }
    line.file = files.front();
    return line;
}

LogData loadLogForCommand(std::string_view command, const std::string& path) {
    LoadResult result = loadLogFile(path);
    if (const auto* error = std::get_if<LoadError>(&result)) {
        std::string message =
            std::string(command) + ": " + path + ": " + loadErrorText(error->kind);
        if (!error->detail.empty()) {
            message += " (" + error->detail + ")";
        }
        failure(message);
    }
    return std::move(std::get<LogData>(result));
}

std::string isoLocalTime(double dayNumber, bool millis) {
    // Whole milliseconds first, so a time a hair below a full second does not print as :59.
    const auto ms = static_cast<std::int64_t>(std::llround(dayNumber * kSecondsPerDay * 1000));
    const std::int64_t secs = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    const CivilTime t = toCivil(static_cast<double>(secs) / kSecondsPerDay);
    char buf[48];
    int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                          t.hour, t.minute, t.second);
    if (millis) {
        n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), ".%03d",
                           static_cast<int>(ms - secs * 1000));
    }
    return {buf, static_cast<std::size_t>(n)};
}

} // namespace orv::tool
