#include "LogCommandSupport.h"

#include "CommandLine.h"
#include "offline/LogLoader.h"

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
    case LoadError::Kind::Cancelled:
        return "loading was cancelled";
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

namespace {

[[noreturn]] void refuse(std::string_view command, const std::string& path,
                         const LoadError& error) {
    std::string message = std::string(command) + ": " + path + ": " + loadErrorText(error.kind);
    if (!error.detail.empty()) {
        message += " (" + error.detail + ")";
    }
    failure(message);
}

void noteCutShort(std::string_view command, const std::string& path, std::int64_t present,
                  std::int64_t stored) {
    std::fprintf(stderr,
                 "orv-tool: %.*s: %s is cut short: %lld of its %lld records are complete, "
                 "only these are used\n",
                 static_cast<int>(command.size()), command.data(), path.c_str(),
                 static_cast<long long>(present), static_cast<long long>(stored));
}

// The log of a load or open result; a refusal ends the command, a cut-short file is noted.
template <typename Log, typename Result>
Log acceptedLog(std::string_view command, const std::string& path, Result result) {
    if (const auto* error = std::get_if<LoadError>(&result)) {
        refuse(command, path, *error);
    }
    Log log = std::move(std::get<Log>(result));
    if (log.truncated()) {
        noteCutShort(command, path, log.size(), log.header().recordCount);
    }
    return log;
}

} // namespace

LogData loadLogForCommand(std::string_view command, const std::string& path) {
    return acceptedLog<LogData>(command, path, loadLogFile(path));
}

LogFile openLogForCommand(std::string_view command, const std::string& path) {
    return acceptedLog<LogFile>(command, path, LogFile::open(path));
}

RecordRangeOptions readRecordRange(const LogCommandLine& line, const std::string& firstOption,
                                   const std::string& countOption) {
    RecordRangeOptions range;
    if (const auto first = line.value(firstOption)) {
        range.first = parseCount(firstOption, *first, 0);
    }
    if (const auto count = line.value(countOption)) {
        range.count = parseCount(countOption, *count, 0);
    }
    return range;
}

std::uint64_t checkedRecordCount(std::string_view command, std::string_view what,
                                 const RecordRangeOptions& range, std::int64_t size,
                                 const std::string& file) {
    const auto n = static_cast<std::uint64_t>(size);
    if (range.first > n || range.count.value_or(0) > n - range.first) {
        usageError(std::string(command) + ": the records to " + std::string(what) +
                   " do not lie within the " + std::to_string(n) + " records of " + file);
    }
    return range.count.value_or(n - range.first);
}

void writeFailure(std::string_view command, const std::string& file,
                  const std::optional<std::string>& out, const std::error_code& ec) {
    const bool readFailed = ec.category() == recordErrorCategory();
    failure(std::string(command) + ": " + (readFailed ? file : out.value_or("standard output")) +
            ": " + ec.message());
}

TextOptions readTextOptions(const LogCommandLine& line, std::string_view command) {
    TextOptions o;
    const std::string lang = line.value("--lang").value_or("de");
    if (!o.texts.selectLanguage(lang)) {
        usageError(std::string(command) + ": --lang must be de or eng, not '" + lang + "'");
    }
    const std::string localeName =
        line.value("--locale").value_or(lang == "de" ? "de_DE" : "en_US");
    if (localeName == "de_DE") {
        o.locale = std::make_unique<GermanFormat>();
    } else if (localeName == "en_US") {
        o.locale = std::make_unique<EnglishFormat>();
    } else {
        usageError(std::string(command) + ": --locale must be de_DE or en_US, not '" + localeName +
                   "'");
    }
    return o;
}

} // namespace orv::tool
