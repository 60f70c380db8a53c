#include "CommandLine.h"
#include "LogCommands.h"
#include "LogCommandSupport.h"

#include "core/WriteAll.h"
#include "offline/DateTimeText.h"

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
    "usage: orv-tool csv FILE [-o OUT] [--separator C] [--decimal C] [--bom] [--iso]\n"
    "Writes one CSV row per record: local time, temperature, channel 2, under a header row\n"
    "naming the file's units. Gaps are empty cells. Times are written as 2024-01-01 08:00:00,\n"
    "which spreadsheets read as date and time; --iso writes 2024-01-01T08:00:00 instead.\n"
    "Defaults: separator \",\", decimal mark \".\"; use --separator ';' --decimal ',' (and\n"
    "--bom for the UTF-8 mark) for a German spreadsheet.\n";

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
    const auto parsed = readLogCommandLine("csv", kCsvUsage, args,
                                           {"-o", "--separator", "--decimal"}, {"--bom", "--iso"});
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
    constexpr std::size_t kMaxRow = DateTimeWriter::kMaxChars + 2 * 64 + 4;
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
    DateTimeWriter stamp(line.flags.contains("--iso") ? 'T' : ' ',
                         h.interval != std::floor(h.interval));
    const auto temp = log.channel(Channel::Temperature);
    const auto ch2 = log.channel(Channel::Channel2);
    for (std::size_t k = 0; k < temp.size() && writeError == 0; ++k) {
        char* p = buf.data() + used;
        p = stamp.write(p, log.recordTime(static_cast<std::int64_t>(k)));
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
