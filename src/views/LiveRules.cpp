#include "views/LiveRules.h"

#include "core/LocaleFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

OnlineLayout onlineLayout(long long requestedHeight) {
    OnlineLayout l;
    l.height = static_cast<int>(
        std::clamp<long long>(requestedHeight, kOnlineMinHeight, kOnlineMaxHeight));
    l.width = l.height * 5 + 500;
    l.labelWidth = l.width / 2 - 68;
    l.labelHeight = l.height - kOnlineFrameHeight;
    l.rightLabelLeft = l.width / 2 - 56;
    l.fontPoints = static_cast<double>(l.height - kOnlineFrameHeight) / 25.0;
    return l;
}

namespace {

// UTF-8 lead bytes count, continuation bytes do not.
int characterCount(std::string_view s) {
    return static_cast<int>(std::count_if(s.begin(), s.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U;
    }));
}

int wrappedLines(std::string_view line, int charsPerLine) {
    const int n = characterCount(line);
    return n == 0 ? 1 : (n + charsPerLine - 1) / charsPerLine;
}

// Byte offset of the character with index `index` in `s`.
std::size_t characterOffset(std::string_view s, int index) {
    std::size_t at = 0;
    for (int seen = 0; at < s.size(); ++at) {
        if ((static_cast<unsigned char>(s[at]) & 0xC0U) != 0x80U) {
            if (seen == index) {
                return at;
            }
            ++seen;
        }
    }
    return at;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

} // namespace

int displayLineCount(std::string_view text, int charsPerLine) {
    charsPerLine = std::max(charsPerLine, 1);
    int total = 0;
    for (std::string_view line : splitLines(text)) {
        total += wrappedLines(line, charsPerLine);
    }
    return total;
}

std::string monitorDisplayText(std::string_view monitorText, int charsPerLine, int maxLines) {
    charsPerLine = std::max(charsPerLine, 1);
    // Line ends: CR LF, and the CR that closes each frame; a lone CR or LF also ends a line.
    std::string plain;
    plain.reserve(monitorText.size());
    for (std::size_t i = 0; i < monitorText.size(); ++i) {
        const char c = monitorText[i];
        if (c == '\r') {
            if (i + 1 < monitorText.size() && monitorText[i + 1] == '\n') {
                continue; // the LF ends the line
            }
            // A CR right before CR LF closes the frame and shows nothing; any other ends a line.
            if (i + 2 < monitorText.size() && monitorText[i + 1] == '\r' &&
                monitorText[i + 2] == '\n') {
                continue;
            }
            plain += '\n';
            continue;
        }
        plain += c;
    }

    const std::vector<std::string_view> lines = splitLines(plain);
    int remaining = std::max(maxLines, 1);
    std::size_t firstLine = lines.size();
    std::size_t cutInFirst = 0; // characters of the first kept line that scroll away
    while (firstLine > 0 && remaining > 0) {
        const std::string_view line = lines[firstLine - 1];
        const int wraps = wrappedLines(line, charsPerLine);
        --firstLine;
        if (wraps > remaining) {
            cutInFirst = static_cast<std::size_t>(wraps - remaining) *
                         static_cast<std::size_t>(charsPerLine);
            remaining = 0;
            break;
        }
        remaining -= wraps;
    }
    std::string shown;
    for (std::size_t i = firstLine; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (i == firstLine && cutInFirst > 0) {
            line.remove_prefix(characterOffset(line, static_cast<int>(cutInFirst)));
        }
        if (i != firstLine) {
            shown += '\n';
        }
        shown += line;
    }
    return shown;
}

std::string timeOfDayText(const LocaleFormat& locale, double fraction) {
    // The general date of a day number without whole days is "date time"; keep the time.
    const std::string general = locale.generalDate(fraction);
    const std::size_t blank = general.find(' ');
    return blank == std::string::npos ? general : general.substr(blank + 1);
}

ChartSnapshot takeChartSnapshot(const OnlineData& data, const LocaleFormat& locale) {
    ChartSnapshot s;
    for (int r = OnlineData::kFirstRow; r <= OnlineData::kNewestRow; ++r) {
        const Sample& sample = data.row(r);
        const auto i = static_cast<std::size_t>(r - OnlineData::kFirstRow);
        if (sample.timeOfDay) {
            s.timeLabels[i] = timeOfDayText(locale, *sample.timeOfDay);
        }
        s.temperature[i] = sample.temperature;
        s.channel2[i] = sample.channel2;
    }
    s.tempUnit = data.labels().tempUnit;
    s.ch2Unit = data.labels().ch2Unit;
    return s;
}

std::vector<PointRun>
valueRuns(const std::array<std::optional<float>, ChartSnapshot::kPoints>& values) {
    std::vector<PointRun> runs;
    for (int i = 0; i < ChartSnapshot::kPoints; ++i) {
        const auto& v = values[static_cast<std::size_t>(i)];
        if (!v || !std::isfinite(*v)) {
            continue;
        }
        if (!runs.empty() && runs.back().last == i - 1) {
            runs.back().last = i;
        } else {
            runs.push_back({i, i});
        }
    }
    return runs;
}

int ValueAxis::decimals() const {
    // As many as the step needs to show exactly: 0.25 needs two, 0.5 one, 2 none.
    for (int d = 0; d < 6; ++d) {
        const double scaled = step * std::pow(10.0, d);
        if (std::abs(scaled - std::round(scaled)) < 1e-6 * scaled) {
            return d;
        }
    }
    return 6;
}

ValueAxis valueAxis(
    const std::vector<const std::array<std::optional<float>, ChartSnapshot::kPoints>*>& series,
    int maxTicks) {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (const auto* values : series) {
        for (const auto& v : *values) {
            if (v && std::isfinite(*v)) {
                lo = std::min(lo, static_cast<double>(*v));
                hi = std::max(hi, static_cast<double>(*v));
            }
        }
    }
    if (!std::isfinite(lo)) {
        return {};
    }
    if (hi - lo < 1.0) {
        const double mid = (lo + hi) / 2.0;
        lo = mid - 0.5;
        hi = mid + 0.5;
    }
    maxTicks = std::max(maxTicks, 2);
    const double raw = (hi - lo) / maxTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude * 10.0;
    for (const double f : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (magnitude * f >= raw) {
            step = magnitude * f;
            break;
        }
    }
    ValueAxis axis;
    axis.step = step;
    axis.min = std::floor(lo / step) * step;
    axis.max = std::ceil(hi / step) * step;
    if (axis.max <= axis.min) {
        axis.max = axis.min + step;
    }
    return axis;
}

} // namespace orv
