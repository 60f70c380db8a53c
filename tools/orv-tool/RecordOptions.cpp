// The record command line: which sensor, which file, which grid.
#include "RecordOptions.h"

#include "CommandLine.h"

#include <charconv>
#include <functional>

namespace orv::tool {

const char* const kRecordUsage =
    "usage: orv-tool record (--tcp HOST:PORT | --serial DEVICE) --interval S -o FILE\n"
    "                       [--unit C|F|K] [--channel2 humidity|dewpoint] [--duration S]\n"
    "Records a live sensor into a log file the way the program's data logger does: the first\n"
    "record as soon as the first good frame has arrived, then one record every S seconds on a\n"
    "fixed time grid. A silent sensor gives empty records, a lost link is connected again.\n"
    "Options:\n"
    "  --tcp HOST:PORT        a network sensor\n"
    "  --serial DEVICE        a serial sensor (9600 baud, 8N1)\n"
    "  --interval S           whole seconds between two records, 5 to 3600\n"
    "  -o, --output FILE      the log file; an existing file is replaced\n"
    "  --unit C|F|K           temperature unit (default C)\n"
    "  --channel2 MODE        humidity (default) or dewpoint\n"
    "  --duration S           end after S seconds (default: run until SIGINT or SIGTERM)\n"
    "One status line per record goes to standard error. Exit status 0 after a clean end, 1\n"
    "when the sensor or the file fails, 2 for a wrong command line.\n";

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
    } else {
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

RecordOptions parseRecordOptions(const CommandArgs& args) {
    RecordOptions o;
    ArgReader reader(args);
    while (!reader.done()) {
        const std::string arg = reader.take();
        if (!applyRecordOption(o, arg, [&] { return reader.value(arg); })) {
            usageError("record: unknown argument '" + arg + "' (see orv-tool record --help)");
        }
    }
    checkComplete(o);
    return o;
}

} // namespace orv::tool
