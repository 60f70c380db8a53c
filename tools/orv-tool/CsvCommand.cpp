#include "CommandLine.h"
#include "LogCommands.h"
#include "LogCommandSupport.h"

#include "core/DayNumber.h"
#include "core/WriteAll.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace orv::tool {
namespace {

constexpr const char* kCsvUsage =
    "usage: orv-tool csv FILE [-o OUT] [--separator C] [--decimal C] [--bom]\n"
    "Writes one CSV row per record: ISO 8601 local time, temperature, channel 2, under a header "
    "row\n"
    "naming the file's units. Gaps are empty cells. Defaults: separator \",\", decimal mark \".\"; "
    "use\n"
    "--separator ';' --decimal ',' (and --bom for the UTF-8 mark) for a German spreadsheet.\n";

std::string unitWithoutBlank(std::string unit) {
    return !unit.empty() && unit.front() == ' ' ? unit.substr(1) : unit;
}

std::string csvCell(const std::string& text, char separator) {
    if (text.find(separator) == std::string::npos && text.find('"') == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

// ISO 8601 timestamps of consecutive records: the date text is made once per day.
class TimestampFormatter {
public:
    explicit TimestampFormatter(bool millis) : millis_(millis) {}

    char* format(char* out, double dayNumber) {
        const auto ms = static_cast<std::int64_t>(std::llround(dayNumber * kSecondsPerDay * 1000));
        std::int64_t day = ms / 86'400'000;
        std::int64_t msOfDay = ms % 86'400'000;
        if (msOfDay < 0) {
            msOfDay += 86'400'000;
            --day;
        }
        if (day != day_) {
            const CivilTime t = toCivil(static_cast<double>(day));
            std::snprintf(date_, sizeof date_, "%04d-%02d-%02dT", t.year, t.month, t.day);
            dateLength_ = std::strlen(date_);
            day_ = day;
        }
        std::memcpy(out, date_, dateLength_);
        out += dateLength_;
        const auto secs = static_cast<int>(msOfDay / 1000);
        out = twoDigits(out, secs / 3600);
        *out++ = ':';
        out = twoDigits(out, secs / 60 % 60);
        *out++ = ':';
        out = twoDigits(out, secs % 60);
        if (millis_) {
            const auto frac = static_cast<int>(msOfDay % 1000);
            *out++ = '.';
            *out++ = static_cast<char>('0' + frac / 100);
            out = twoDigits(out, frac % 100);
        }
        return out;
    }

private:
    static char* twoDigits(char* out, int v) {
        *out++ = static_cast<char>('0' + v / 10);
        *out++ = static_cast<char>('0' + v % 10);
        return out;
    }

    bool millis_;
    std::int64_t day_ = INT64_MIN;
    char date_[32] = {};
    std::size_t dateLength_ = 0;
};

// A value in plain positional notation, every digit the float needs; a gap stays an empty cell.
char* formatValue(char* out, float v, char decimal) {
    if (std::isnan(v)) {
        return out;
    }
    if (std::isinf(v)) {
        const char* text = v < 0 ? "-Inf" : "Inf";
        std::memcpy(out, text, std::strlen(text));
        return out + std::strlen(text);
    }
    char* end = std::to_chars(out, out + 64, v, std::chars_format::fixed).ptr;
    if (decimal != '.') {
        for (char* p = out; p != end; ++p) {
            if (*p == '.') {
                *p = decimal;
            }
        }
    }
    return end;
}

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
        readLogCommandLine("csv", kCsvUsage, args, {"-o", "--separator", "--decimal"}, {"--bom"});
    if (!parsed) {
        return 0;
    }
    const LogCommandLine& line = *parsed;
    const char separator = singleChar(line, "--separator", ',');
    const char decimal = singleChar(line, "--decimal", '.');
    if (separator == decimal || std::isdigit(static_cast<unsigned char>(separator)) ||
        separator == '-') {
        usageError("csv: the separator must differ from the decimal mark, the digits and '-'");
    }
    const LogData log = loadLogForCommand("csv", line.file);

    int fd = STDOUT_FILENO;
    const auto outPath = line.value("-o");
    if (outPath) {
        fd = ::open(outPath->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            failure("csv: " + *outPath + ": " + std::strerror(errno));
        }
    }

    const LogHeader& h = log.header();
    const std::string ch2Name = h.ch2IsHumidity() ? "humidity" : "dew point";
    std::string buf;
    if (line.flags.contains("--bom")) {
        buf += "\xEF\xBB\xBF";
    }
    buf += csvCell("time", separator) + separator +
           csvCell("temperature (" + unitWithoutBlank(h.tempUnitText()) + ")", separator) +
           separator +
           csvCell(ch2Name + " (" + unitWithoutBlank(h.ch2UnitText()) + ")", separator) + "\r\n";

    constexpr std::size_t kChunk = 1 << 20;
    constexpr std::size_t kMaxRow = 256;
    std::size_t used = buf.size();
    buf.resize(used + kChunk + kMaxRow);
    int writeError = 0;
    auto flush = [&] {
        if (writeError == 0 && !writeAll(fd, {buf.data(), used})) {
            writeError = errno;
        }
        used = 0;
    };
    // Timestamps carry milliseconds only when the interval is not a whole number of seconds.
    TimestampFormatter stamp(h.interval != std::floor(h.interval));
    const auto temp = log.channel(Channel::Temperature);
    const auto ch2 = log.channel(Channel::Channel2);
    for (std::size_t k = 0; k < temp.size() && writeError == 0; ++k) {
        char* p = buf.data() + used;
        p = stamp.format(p, log.recordTime(static_cast<std::int64_t>(k)));
        *p++ = separator;
        p = formatValue(p, temp[k], decimal);
        *p++ = separator;
        p = formatValue(p, ch2[k], decimal);
        *p++ = '\r';
        *p++ = '\n';
        used = static_cast<std::size_t>(p - buf.data());
        if (used >= kChunk) {
            flush();
        }
    }
    flush();
    if (outPath && ::close(fd) != 0 && writeError == 0) {
        writeError = errno;
    }
    if (writeError != 0) {
        failure("csv: " + outPath.value_or("standard output") + ": " + std::strerror(writeError));
    }
    return 0;
}

} // namespace orv::tool
