// The record command line: which sensor, which file, which grid.
#include "RecordOptions.h"

#include "CommandLine.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

namespace orv::tool {

const char* const kRecordUsage =
    "usage: orv-tool record (--tcp HOST:PORT | --serial DEVICE) --interval S -o FILE\n"
    "                       [--unit C|F|K] [--channel2 humidity|dewpoint] [--duration S]\n"
    "                       [--rotate daily|weekly|monthly] [--log records|events]\n"
    "                       [--alarm RULE]...\n"
    "       orv-tool record --config FILE [OPTION...]\n"
    "Records a live sensor into a log file the way the program's data logger does: the first\n"
    "record as soon as the first good frame has arrived, then one record every S seconds on a\n"
    "fixed time grid. A silent sensor gives empty records, a lost link is connected again.\n"
    "An existing file is never replaced: the recording goes into the next free name (FILE-2,\n"
    "FILE-3, ...) on the time grid of the newest earlier file of that name with the same "
    "interval.\n"
    "Options:\n"
    "  --tcp HOST:PORT        a network sensor\n"
    "  --serial DEVICE        a serial sensor (9600 baud, 8N1), opened anew by name on every\n"
    "                         reconnect, so /dev/serial/by-id/... follows an adapter replugged\n"
    "  --interval S           whole seconds between two records, 5 to 3600\n"
    "  -o, --output FILE      the log file (with --rotate the base of the dated file names)\n"
    "  --unit C|F|K           temperature unit (default C)\n"
    "  --channel2 MODE        humidity (default) or dewpoint\n"
    "  --duration S           end after S seconds (default: run until SIGINT or SIGTERM)\n"
    "  --rotate PERIOD        a new file every day, week (Monday 00:00) or month, local time;\n"
    "                         hall.dat becomes hall-2026-12-07.dat, named by its first record\n"
    "  --log MODE             records: a status line per record (the default on a terminal);\n"
    "                         events: only start, link lost and back, rotation, clock jump and\n"
    "                         end (the default when standard error is the systemd journal)\n"
    "  --alarm RULE           an alarm rule, e.g. \"margin<2\" or \"humidity>70 for 60s hyst 2\";\n"
    "                         repeatable. Each start and end is a line \"alarm start|end TIME\n"
    "                         VALUE RULE\" on standard error (whatever --log says) and a row of\n"
    "                         FILE.events.csv beside the log file (FILE without .dat)\n"
    "  --config FILE          the options from FILE, one NAME = VALUE per line (interval = 60,\n"
    "                         tcp = 127.0.0.1:31222), # starts a comment line; options on the\n"
    "                         command line win over the file\n"
    "Exit status 0 after a clean end, 1 when the sensor or the file fails, 2 for a wrong command\n"
    "line or config file.\n";

namespace {

int parseInterval(const std::string& text) {
    int seconds = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || ec != std::errc{} || ptr != text.data() + text.size() || seconds < 5 ||
        seconds > 3600) {
        usageError("--interval wants whole seconds from 5 to 3600, not '" + text + "'");
    }
    return seconds;
}

} // namespace

bool applyRecordOption(RecordOptions& o, const std::string& option,
                       const std::function<std::string()>& value) {
    if (option == "--tcp" || option == "--serial") {
        if (!o.where.empty()) {
            usageError("record takes one sensor, " + option + " is a second one");
        }
        o.tcp = option == "--tcp";
        o.where = value();
        if (o.where.empty()) {
            usageError(option + " needs a value");
        }
    } else if (option == "--interval") {
        o.interval = parseInterval(value());
    } else if (option == "-o" || option == "--output") {
        o.output = value();
    } else if (option == "--unit") {
        o.unit = parseUnit(value());
    } else if (option == "--channel2") {
        o.channel2 = parseChannel2(value());
    } else if (option == "--duration") {
        o.duration = parseCount(option, value(), 1);
    } else if (option == "--rotate") {
        const std::string period = value();
        const std::optional<RotationPeriod> p = rotationPeriodNamed(period);
        if (!p) {
            usageError("--rotate wants daily, weekly or monthly, not '" + period + "'");
        }
        o.rotate = *p;
    } else if (option == "--alarm") {
        auto rule = parseAlarmRule(value());
        if (const auto* bad = std::get_if<AlarmRuleError>(&rule)) {
            usageError("--alarm " + alarmRuleErrorText(*bad));
        }
        o.alarms.push_back(std::get<AlarmRule>(std::move(rule)));
    } else if (option == "--log") {
        const std::string mode = value();
        if (mode != "records" && mode != "events") {
            usageError("--log wants records or events, not '" + mode + "'");
        }
        o.log = mode == "events" ? RecordLog::Events : RecordLog::Records;
    } else if (!applyMqttOption(o.mqtt, option, value)) {
        return false;
    }
    return true;
}

void checkComplete(const RecordOptions& o) {
    if (o.where.empty()) {
        usageError("record needs a sensor: --tcp HOST:PORT or --serial DEVICE");
    }
    if (o.interval == 0) {
        usageError("record needs --interval S (5 to 3600 seconds)");
    }
    if (o.output.empty()) {
        usageError("record needs -o FILE");
    }
}

namespace {

// The name by which an option counts as given: -o is --output, and the two sensors are one
// setting (a sensor on the command line replaces the file's, whichever kind).
std::string settingOf(const std::string& option) {
    if (option == "-o") {
        return "--output";
    }
    if (option == "--serial") {
        return "--tcp";
    }
    return option;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Applies the settings of a config file that the command line does not give. Every refusal
// names the file and the line; a bad line is refused even where the command line overrides it,
// so the file is right for the day it runs alone.
void applyConfigFile(RecordOptions& o, const std::string& path,
                     const std::set<std::string>& givenOnCommandLine) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        usageError("cannot read the config file " + path + ": it is a folder");
    }
    std::ifstream in(path);
    if (!in) {
        usageError("cannot read the config file " + path + ": " + std::strerror(errno));
    }
    int number = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++number;
        const std::string line = trimmed(raw);
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        const std::string where = path + ":" + std::to_string(number) + ": ";
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            usageError(where + "'" + line + "' is no setting, which is written NAME = VALUE");
        }
        const std::string key = trimmed(line.substr(0, eq));
        const std::string value = trimmed(line.substr(eq + 1));
        const std::string option = "--" + key;
        if (key.empty() || key.starts_with('-') || key == "config") {
            usageError(where + "unknown setting '" + key + "'");
        }
        // A setting the command line gives is still checked, then left to the command line.
        RecordOptions overridden;
        RecordOptions& target = givenOnCommandLine.contains(settingOf(option)) ? overridden : o;
        try {
            if (!applyRecordOption(target, option, [&] {
                    if (value.empty()) {
                        usageError(key + " needs a value");
                    }
                    return value;
                })) {
                usageError("unknown setting '" + key + "'");
            }
        } catch (const ToolError& e) {
            usageError(where + e.what());
        }
    }
}

} // namespace

RecordOptions parseRecordOptions(const CommandArgs& args) {
    // First the command line alone: what it gives, and where the config file is.
    RecordOptions commandLine;
    std::optional<std::string> configPath;
    std::set<std::string> given;
    CommandArgs rest;
    {
        ArgReader reader(args);
        while (!reader.done()) {
            const std::string arg = reader.take();
            if (arg == "--config") {
                if (configPath) {
                    usageError("record takes one --config file");
                }
                configPath = reader.value(arg);
                continue;
            }
            std::optional<std::string> taken;
            if (!applyRecordOption(commandLine, arg,
                                   [&] { return *(taken = reader.value(arg)); })) {
                usageError("record: unknown argument '" + arg + "' (see orv-tool record --help)");
            }
            given.insert(settingOf(arg));
            rest.push_back(arg);
            if (taken) {
                rest.push_back(*taken);
            }
        }
    }
    if (!configPath) {
        checkComplete(commandLine);
        return commandLine;
    }
    RecordOptions o;
    applyConfigFile(o, *configPath, given);
    ArgReader reader(rest);
    while (!reader.done()) {
        const std::string arg = reader.take();
        applyRecordOption(o, arg, [&] { return reader.value(arg); });
    }
    checkComplete(o);
    return o;
}

} // namespace orv::tool
