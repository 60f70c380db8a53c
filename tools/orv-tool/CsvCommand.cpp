#include "CommandLine.h"
#include "LogCommands.h"
#include "LogCommandSupport.h"
#include "PressureOption.h"

#include "offline/CsvWriter.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace orv::tool {
namespace {

constexpr const char* kCsvUsage =
    "usage: orv-tool csv FILE [--start N] [--count M] [-o OUT] [--separator C] [--decimal C]\n"
    "                [--bom] [--iso] [--derived [--pressure HPA]]\n"
    "Writes one CSV row per record N .. N+M-1 (default: all): local time, temperature,\n"
    "channel 2, under a header row naming the file's units. Gaps are empty cells. Times are\n"
    "written as 2024-01-01 08:00:00, which spreadsheets read as date and time; --iso writes\n"
    "2024-01-01T08:00:00 instead.\n"
    "Defaults: separator \",\", decimal mark \".\"; use --separator ';' --decimal ',' (and\n"
    "--bom for the UTF-8 mark) for a German spreadsheet. --derived adds the humidity\n"
    "quantities (absolute humidity, mixing ratio, enthalpy, wet bulb, condensation margin)\n"
    "as further columns, at the air pressure of --pressure (default 1013.25 hPa).\n";

char singleChar(const LogCommandLine& line, const std::string& option, char fallback) {
    const auto v = line.value(option);
    if (!v) {
        return fallback;
    }
    if (*v == "\\t" || *v == "tab") {
        return '\t';
    }
    if (v->size() != 1 || (*v)[0] == '"' || (*v)[0] == '\r' || (*v)[0] == '\n') {
        usageError("csv: " + option + " wants one character, not '" + *v + "'");
    }
    return (*v)[0];
}

} // namespace

int runCsv(const std::vector<std::string>& args) {
    const auto parsed =
        readLogCommandLine("csv", kCsvUsage, args,
                           {"-o", "--start", "--count", "--separator", "--decimal", "--pressure"},
                           {"--bom", "--iso", "--derived"});
    if (!parsed) {
        return 0;
    }
    const LogCommandLine& line = *parsed;
    const char separator = singleChar(line, "--separator", ',');
    const char decimal = singleChar(line, "--decimal", '.');
    // The separator must not occur in a number or a time.
    if (separator == decimal || std::isdigit(static_cast<unsigned char>(separator)) ||
        std::strchr("-+.:T ", separator) != nullptr) {
        usageError("csv: the separator must differ from the decimal mark, the digits and the "
                   "characters of numbers and times (- + . : T blank)");
    }
    double pressure = kStandardPressureHpa;
    if (const auto text = line.value("--pressure")) {
        if (!line.flags.contains("--derived")) {
            usageError("csv: --pressure goes with --derived");
        }
        pressure = parsePressure("csv", *text);
    }
    const RecordRangeOptions range = readRecordRange(line, "--start", "--count");
    LogFile log = openLogForCommand("csv", line.file);
    const std::uint64_t n = checkedRecordCount("csv", "write", range, log.size(), line.file);

    int fd = STDOUT_FILENO;
    const auto outPath = line.value("-o");
    if (outPath) {
        fd = ::open(outPath->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            failure("csv: " + *outPath + ": " + std::strerror(errno));
        }
    }

    CsvOptions options;
    options.separator = separator;
    options.decimal = decimal;
    options.byteOrderMark = line.flags.contains("--bom");
    options.dateTimeSeparator = line.flags.contains("--iso") ? 'T' : ' ';
    options.derived = line.flags.contains("--derived");
    options.pressureHpa = pressure;
    std::error_code ec = writeCsv(fd, log.header(), static_cast<std::int64_t>(range.first),
                                  static_cast<std::int64_t>(n), log, options);
    if (outPath && ::close(fd) != 0 && !ec) {
        ec = std::error_code(errno, std::generic_category());
    }
    if (ec) {
        writeFailure("csv", line.file, outPath, ec);
    }
    return 0;
}

} // namespace orv::tool
