#include "offline/ExportWriter.h"

#include "offline/AxisLabels.h"
#include "offline/NumberText.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

constexpr const char* kCrLf = "\r\n";

// Rounded values below this many hundredths have at most 15 significant digits, so their
// digits are exactly the shortest text of the rounded double.
constexpr double kExactHundredths = 1e15;

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

class BufferedFd {
public:
    explicit BufferedFd(int fd) : fd_(fd) { buf_.resize(kSize); }

    // Room for at least `n` more bytes; flushes when needed.
    char* reserve(std::size_t n) {
        if (used_ + n > buf_.size()) {
            flush();
        }
        return buf_.data() + used_;
    }
    void commit(char* end) { used_ = static_cast<std::size_t>(end - buf_.data()); }
    void append(std::string_view s) {
        if (s.size() > buf_.size()) {
            flush();
            writeAll(s.data(), s.size());
            return;
        }
        char* p = reserve(s.size());
        std::memcpy(p, s.data(), s.size());
        used_ += s.size();
    }
    void flush() {
        writeAll(buf_.data(), used_);
        used_ = 0;
    }
    [[nodiscard]] std::error_code error() const { return error_; }

private:
    static constexpr std::size_t kSize = 1 << 20;

    void writeAll(const char* p, std::size_t n) {
        while (n > 0 && !error_) {
            const ssize_t w = ::write(fd_, p, n);
            if (w < 0) {
                if (errno != EINTR) {
                    error_ = std::error_code(errno, std::generic_category());
                }
                continue;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
    }

    int fd_;
    std::vector<char> buf_;
    std::size_t used_ = 0;
    std::error_code error_;
};

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
    const double widened = value;
    if (!std::isfinite(widened)) {
        const char* text = std::isnan(widened) ? "NaN" : widened < 0 ? "-Inf" : "Inf";
        const std::size_t n = std::strlen(text);
        std::memcpy(out, text, n);
        return out + n;
    }
    const double hundredths = std::nearbyint(widened * 100);
    if (std::fabs(hundredths) >= kExactHundredths) {
        const std::string text = shortestText(hundredths / 100, std::string(decimalSeparator));
        std::memcpy(out, text.data(), text.size());
        return out + text.size();
    }
    auto n = static_cast<std::int64_t>(hundredths);
    if (n < 0) {
        *out++ = '-'; // a negative zero has become the integer 0 and gets no sign
        n = -n;
    }
    out = std::to_chars(out, out + 20, n / 100).ptr;
    const int frac = static_cast<int>(n % 100);
    if (frac != 0) {
        std::memcpy(out, decimalSeparator.data(), decimalSeparator.size());
        out += decimalSeparator.size();
        *out++ = static_cast<char>('0' + frac / 10);
        if (frac % 10 != 0) {
            *out++ = static_cast<char>('0' + frac % 10);
        }
    }
    return out;
}

std::error_code writeExport(int fd, const ExportSource& source, std::int64_t viewStart,
                            std::int64_t viewCount, RecordSource& records, const Texts& texts,
                            const LocaleFormat& locale) {
    const std::string separator = locale.decimalSeparator();
    if (separator.size() > 8 || viewCount < 0) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    BufferedFd out(fd);
    out.append(exportHeader(source, viewStart, viewCount, texts, locale));
    constexpr std::size_t kMaxLine = 20 + 2 * (kMaxExportValueChars + 1) + 2;
    const std::error_code ec =
        forEachChunk(records, viewStart, viewCount,
                     [&](std::int64_t first, std::span<const float> temperature,
                         std::span<const float> channel2) {
                         for (std::size_t k = 0; k < temperature.size(); ++k) {
                             const auto i = static_cast<std::uint64_t>(first - viewStart) + k;
                             char* p = out.reserve(kMaxLine);
                             p = std::to_chars(p, p + 20, i).ptr;
                             *p++ = ' ';
                             p = formatExportValue(p, temperature[k], separator);
                             *p++ = ' ';
                             p = formatExportValue(p, channel2[k], separator);
                             *p++ = '\r';
                             *p++ = '\n';
                             out.commit(p);
                             if (out.error()) {
                                 return out.error();
                             }
                         }
                         return std::error_code{};
                     });
    out.flush();
    return ec ? ec : out.error();
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
