#include "offline/CsvWriter.h"

#include "offline/DateTimeText.h"
#include "offline/DerivedStats.h"
#include "offline/FixedDecimal.h"
#include "offline/OutputPipe.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orv {
namespace {

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
    return fixed::shortestFixed(out, v, decimal);
}

} // namespace

CsvOptions germanCsvOptions(CsvOptions options) {
    options.separator = ';';
    options.decimal = ',';
    return options;
}

std::error_code writeCsv(int fd, const LogHeader& h, std::int64_t first, std::int64_t count,
                         RecordSource& records, const CsvOptions& options) {
    const char sep = options.separator;
    const std::string ch2Name = !options.channel2Name.empty() ? options.channel2Name
                                : h.ch2IsHumidity()           ? "humidity"
                                                              : "dew point";
    std::string buf;
    if (options.byteOrderMark) {
        buf += "\xEF\xBB\xBF";
    }
    buf += csvCell(options.timeName, sep) + sep +
           csvCell(options.temperatureName + " (" + unitWithoutBlank(h.tempUnitText()) + ")", sep) +
           sep + csvCell(ch2Name + " (" + unitWithoutBlank(h.ch2UnitText()) + ")", sep);
    if (options.derived) {
        buf += derivedHeaderCells(options.derivedNames, sep);
    }
    buf += "\r\n";

    constexpr std::size_t kMaxRow = DateTimeWriter::kMaxChars + 2 * 64 + 4 + kDerivedCellsMaxChars;
    OutputPipe out(fd);
    out.append(buf);
    // Timestamps carry milliseconds only when the interval is not a whole number of seconds.
    DateTimeWriter stamp(options.dateTimeSeparator, h.interval != std::floor(h.interval));
    const RecordDeriver derive(h, options.pressureHpa);
    const std::error_code readError = forEachChunk(
        records, first, count,
        [&](std::int64_t chunkFirst, std::span<const float> temp, std::span<const float> ch2) {
            for (std::size_t i = 0; i < temp.size() && !out.failed(); ++i) {
                const std::int64_t k = chunkFirst + static_cast<std::int64_t>(i);
                char* p = out.reserve(kMaxRow);
                p = stamp.write(p, h.recordTime(k));
                *p++ = sep;
                p = formatValue(p, temp[i], options.decimal);
                *p++ = sep;
                p = formatValue(p, ch2[i], options.decimal);
                if (options.derived) {
                    p = writeDerivedCells(p, derive(temp[i], ch2[i]), sep, options.decimal);
                }
                *p++ = '\r';
                *p++ = '\n';
                out.commit(p);
            }
            // a failed write stops the reading too; finish() tells which error
            return out.failed() ? std::make_error_code(std::errc::io_error) : std::error_code{};
        });
    const std::error_code writeError = out.finish();
    return writeError ? writeError : readError;
}

std::error_code writeCsv(int fd, const LogData& log, std::int64_t first, std::int64_t count,
                         const CsvOptions& options) {
    const std::int64_t begin = std::clamp<std::int64_t>(first, 0, log.size());
    const std::int64_t end =
        std::clamp<std::int64_t>(first + std::max<std::int64_t>(count, 0), begin, log.size());
    LogRecords records = recordsOf(log);
    return writeCsv(fd, log.header(), begin, end - begin, records, options);
}

} // namespace orv
