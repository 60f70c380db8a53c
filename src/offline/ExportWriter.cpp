#include "offline/ExportWriter.h"

#include "offline/AxisLabels.h"
#include "offline/FixedDecimal.h"
#include "offline/NumberText.h"
#include "offline/OutputPipe.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace orv {
namespace {

constexpr const char* kCrLf = "\r\n";

std::string withoutLeadingBlank(const std::string& unit) {
    return !unit.empty() && unit.front() == ' ' ? unit.substr(1) : unit;
}

// "dew point" -> "DewPoint": a column name without blanks.
std::string joinedWords(const std::string& words) {
    std::string out;
    bool startOfWord = true;
    for (const char c : words) {
        if (c == ' ') {
            startOfWord = true;
            continue;
        }
        out += startOfWord && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        startOfWord = false;
    }
    return out;
}

// "Temperatur(°C)" with another unit: the text before the parenthesis keeps its name.
std::string withUnit(const std::string& column, const std::string& unit) {
    return column.substr(0, column.find('(')) + "(" + unit + ")";
}

// Control characters in the header's text field would break the line structure.
std::string printableSerial(std::string serial) {
    for (char& c : serial) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            c = ' ';
        }
    }
    return serial;
}

} // namespace

std::string exportColumnHeader(const Texts& texts, const std::string& tempUnitText,
                               const std::string& ch2UnitText) {
    const std::string base = texts.textOr(252, "#Datensatz Temperatur(°C) rel.Feuchte(%)");
    const std::string tempUnit = withoutLeadingBlank(tempUnitText);
    const bool humidity = isHumidityUnit(ch2UnitText);
    if (tempUnit == "°C" && humidity) {
        return base;
    }
    const auto firstBlank = base.find(' ');
    const auto lastBlank = base.rfind(' ');
    if (firstBlank == std::string::npos || firstBlank == lastBlank) {
        return base; // not the three columns this knows how to adapt
    }
    std::string line = base.substr(0, firstBlank + 1) +
                       withUnit(base.substr(firstBlank + 1, lastBlank - firstBlank - 1), tempUnit);
    if (humidity) {
        line += base.substr(lastBlank);
    } else {
        line += ' ' + joinedWords(texts.textOr(197, "Taupunkt")) + "(" +
                withoutLeadingBlank(ch2UnitText) + ")";
    }
    return line;
}

std::string exportHeader(const ExportSource& source, std::int64_t viewStart, std::int64_t viewCount,
                         const Texts& texts, const LocaleFormat& locale) {
    std::string h;
    h += texts.textOr(246, "Ausgangsdatensatz: ") + source.fileTitle +
         " Serial: " + printableSerial(source.serial) + texts.textOr(247, " Datensätze: ") +
         std::to_string(source.recordCount) + kCrLf;
    h += texts.textOr(248, "Anfangszeit: ") + locale.generalDate(source.startTime) + kCrLf;
    h += texts.textOr(249, "Intervall(s): ") +
         shortestText(source.intervalSeconds, locale.decimalSeparator()) + kCrLf;
    h += texts.textOr(250, "Offset_zur_original_Datei: ") + std::to_string(viewStart) + kCrLf;
    h += texts.textOr(251, "Anzahl_der_Datensätze: ") + std::to_string(viewCount) + kCrLf;
    h += kCrLf;
    h += exportColumnHeader(texts, source.tempUnitText, source.ch2UnitText) + kCrLf;
    return h;
}

char* formatExportValue(char* out, float value, std::string_view decimalSeparator) {
    return fixed::exportValue(out, value, decimalSeparator);
}

std::error_code writeExport(int fd, const ExportSource& source, std::int64_t viewStart,
                            std::int64_t viewCount, RecordSource& records, const Texts& texts,
                            const LocaleFormat& locale) {
    const std::string separator = locale.decimalSeparator();
    if (separator.size() > 8 || viewCount < 0) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    OutputPipe out(fd);
    out.append(exportHeader(source, viewStart, viewCount, texts, locale));
    constexpr std::size_t kMaxLine = 24 + 2 * (kMaxExportValueChars + 1) + 2; // number: 24
    fixed::DecimalCounter number(0); // chunks come in order: the line number runs on
    const std::error_code ec = forEachChunk(
        records, viewStart, viewCount,
        [&](std::int64_t, std::span<const float> temperature, std::span<const float> channel2) {
            for (std::size_t k = 0; k < temperature.size() && !out.failed(); ++k) {
                char* p = out.reserve(kMaxLine);
                p = number.write(p);
                *p++ = ' ';
                p = fixed::exportValue(p, temperature[k], separator);
                *p++ = ' ';
                p = fixed::exportValue(p, channel2[k], separator);
                *p++ = '\r';
                *p++ = '\n';
                out.commit(p);
                number.next();
            }
            // a failed write stops the reading too; finish() tells which error
            return out.failed() ? std::make_error_code(std::errc::io_error) : std::error_code{};
        });
    const std::error_code writeError = out.finish();
    return writeError ? writeError : ec;
}

std::error_code writeExport(int fd, const ExportSource& source, std::int64_t viewStart,
                            std::span<const float> temperature, std::span<const float> channel2,
                            const Texts& texts, const LocaleFormat& locale) {
    if (temperature.size() != channel2.size()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    SpanRecords records(temperature, channel2, viewStart);
    return writeExport(fd, source, viewStart, static_cast<std::int64_t>(temperature.size()),
                       records, texts, locale);
}

std::error_code exportToFile(const std::filesystem::path& path, const ExportSource& source,
                             std::int64_t viewStart, std::int64_t viewCount, RecordSource& records,
                             const Texts& texts, const LocaleFormat& locale) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return {errno, std::generic_category()};
    }
    std::error_code ec = writeExport(fd, source, viewStart, viewCount, records, texts, locale);
    if (::close(fd) != 0 && !ec) {
        ec = std::error_code(errno, std::generic_category());
    }
    return ec;
}

std::error_code exportToFile(const std::filesystem::path& path, const ExportSource& source,
                             std::int64_t viewStart, std::span<const float> temperature,
                             std::span<const float> channel2, const Texts& texts,
                             const LocaleFormat& locale) {
    if (temperature.size() != channel2.size()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    SpanRecords records(temperature, channel2, viewStart);
    return exportToFile(path, source, viewStart, static_cast<std::int64_t>(temperature.size()),
                        records, texts, locale);
}

} // namespace orv
