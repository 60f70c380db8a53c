#include "CommandLine.h"
#include "core/Json.h"
#include "LogCommands.h"
#include "LogCommandSupport.h"

#include "offline/DateTimeText.h"

#include <iostream>

namespace orv::tool {
namespace {

constexpr const char* kInfoUsage =
    "usage: orv-tool info FILE\n"
    "Prints the header of a log file as one JSON object: records present, stored count, whether "
    "the\n"
    "file is cut short, interval (s), start time (ISO 8601 local time and day number), unit "
    "texts,\n"
    "channel 2 (humidity or dewpoint), the 8-character text field and the file size.\n";

} // namespace

int runInfo(const std::vector<std::string>& args) {
    const auto parsed = readLogCommandLine("info", kInfoUsage, args, {});
    if (!parsed) {
        return 0;
    }
    const LogCommandLine& line = *parsed;
    // The header and the file size are all it needs: no record is read.
    const LogFile log = openLogForCommand("info", line.file);
    const LogHeader& h = log.header();
    std::cout << "{\"records\":" << log.size() << ",\"storedCount\":" << h.recordCount
              << ",\"truncated\":" << (log.truncated() ? "true" : "false")
              << ",\"interval\":" << jsonNumber(h.interval)
              << ",\"start\":" << jsonString(dateTimeText(h.startTime, 'T'))
              << ",\"startDayNumber\":" << jsonNumber(h.startTime)
              << ",\"temperatureUnit\":" << jsonString(h.tempUnitText())
              << ",\"channel2Unit\":" << jsonString(h.ch2UnitText())
              << ",\"channel2\":" << (h.ch2IsHumidity() ? "\"humidity\"" : "\"dewpoint\"")
              << ",\"text\":" << jsonString(h.textUtf8()) << ",\"fileSize\":" << log.fileSize()
              << "}\n";
    std::cout.flush();
    if (!std::cout) {
        failure("info: cannot write to standard output");
    }
    return 0;
}

} // namespace orv::tool
