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
    LogData log = std::move(std::get<LogData>(result));
    if (log.truncated()) {
        std::fprintf(stderr,
                     "orv-tool: %.*s: %s is cut short: %lld of its %lld records are complete, "
                     "only these are used\n",
                     static_cast<int>(command.size()), command.data(), path.c_str(),
                     static_cast<long long>(log.size()),
                     static_cast<long long>(log.header().recordCount));
    }
    return log;
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
