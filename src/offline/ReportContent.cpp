#include "offline/ReportContent.h"

#include "offline/DerivedStats.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

std::string part(const std::vector<std::string>& parts, std::size_t i) {
    return i < parts.size() ? parts[i] : std::string();
}

std::string withoutLeadingBlank(std::string unit) {
    return !unit.empty() && unit.front() == ' ' ? unit.substr(1) : unit;
}

} // namespace

std::vector<std::string> splitTextList(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t bar = text.find('|', from);
        parts.push_back(text.substr(from, bar - from));
        if (bar == std::string::npos) {
            return parts;
        }
        from = bar + 1;
    }
}

GapCount countGaps(const LogData& log, std::int64_t first, std::int64_t count) {
    const auto temp = log.channel(Channel::Temperature);
    const auto ch2 = log.channel(Channel::Channel2);
    GapCount out;
    bool inGap = false;
    for (std::int64_t k = first; k < first + count; ++k) {
        const bool missing = std::isnan(temp[k]) || std::isnan(ch2[k]);
        if (missing) {
            ++out.records;
            out.gaps += inGap ? 0 : 1;
        }
        inGap = missing;
    }
    return out;
}

ReportContent buildReport(const LogData& log, const ReportRequest& request, const Texts& texts,
                          const LocaleFormat& locale, bool english) {
    ReportContent r;
    r.first = std::clamp<std::int64_t>(request.first, 0, log.size());
    r.count = request.count < 0 ? log.size() - r.first
                                : std::min<std::int64_t>(request.count, log.size() - r.first);
    const std::int64_t last = r.first + r.count - 1;
    const LogHeader& h = log.header();
    r.letter = english;
    r.footerName = request.fileName;
    r.pageText = texts.textOr(382, english ? "Page %1 of %2" : "Seite %1 von %2");

    const auto heads = splitTextList(
        texts.textOr(379, english ? "Report|Sensor|Start|End|Interval|Records|Gaps"
                                  : "Bericht|Sensor|Beginn|Ende|Intervall|Datensätze|Lücken"));
    r.title = part(heads, 0) + " " + request.fileName;
    auto when = [&](std::int64_t k) {
        return k >= 0 && k < log.size() ? locale.generalDate(log.recordTime(k)) : std::string("-");
    };
    std::string sensor = h.textUtf8();
    sensor.erase(sensor.find_last_not_of(' ') + 1);
    const GapCount gaps = countGaps(log, r.first, r.count);
    const bool wholeSeconds = h.interval == std::floor(h.interval);
    r.facts = {
        {part(heads, 1), sensor.empty() ? "-" : sensor},
        {part(heads, 2), r.count > 0 ? when(r.first) : "-"},
        {part(heads, 3), r.count > 0 ? when(last) : "-"},
        {part(heads, 4), formatFixed(locale, h.interval, wholeSeconds ? 0 : 3) + " s"},
        {part(heads, 5), std::to_string(r.count)},
        {part(heads, 6), std::to_string(gaps.gaps) + " (" + std::to_string(gaps.records) + " " +
                             part(heads, 5) + ")"},
    };

    const auto statHeads = splitTextList(texts.textOr(
        380, english ? "Statistics|Quantity|Minimum|Time|Maximum|Time|Average"
                     : "Statistik|Größe|Minimum|Zeitpunkt|Maximum|Zeitpunkt|Mittelwert"));
    r.statisticsTitle = part(statHeads, 0);
    r.statistics.columns.assign(statHeads.begin() + std::min<std::size_t>(1, statHeads.size()),
                                statHeads.end());
    auto row = [&](std::string name, const std::string& unit, const Extremes& e) {
        // The table's names start with a capital, whatever the string table's case.
        if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') {
            name[0] = static_cast<char>(name[0] - 'a' + 'A');
        }
        r.statistics.rows.push_back({name + " (" + unit + ")", formatFixed(locale, e.min, 2),
                                     when(e.minRecord), formatFixed(locale, e.max, 2),
                                     when(e.maxRecord), formatFixed(locale, e.average(), 2)});
    };
    const int shift = h.ch2IsHumidity() ? 0 : 3;
    if (r.count > 0) {
        // Minimum, maximum and average are LogData's own statistics; only the records where
        // they occur come from a pass over the range.
        for (const Channel c : {Channel::Temperature, Channel::Channel2}) {
            Extremes e = channelExtremes(log, c, r.first, last);
            const RangeStats s = log.stats(c, r.first, last);
            e.min = s.min;
            e.max = s.max;
            e.sum = s.sum;
            e.count = s.count;
            const bool temp = c == Channel::Temperature;
            row(texts.textOr((temp ? 193 : 194) + shift, temp ? "Temperatur" : "rel. Feuchte"),
                withoutLeadingBlank(temp ? h.tempUnitText() : h.ch2UnitText()), e);
        }
        const auto derived = derivedExtremes(log, r.first, last, request.pressureHpa);
        for (std::size_t q = 0; q < kDerivedCount; ++q) {
            const auto quantity = static_cast<Derived>(q);
            row(texts.textOr(372 + static_cast<int>(q), std::string(derivedName(quantity))),
                std::string(derivedUnit(quantity)), (*derived)[q]);
        }
    }

    const auto alarmHeads = splitTextList(texts.textOr(
        381, english ? "Alarms|Rule|Start|End|Value|none" : "Alarme|Regel|Beginn|Ende|Wert|keine"));
    r.alarmsTitle = part(alarmHeads, 0);
    r.alarms.columns = {part(alarmHeads, 1), part(alarmHeads, 2), part(alarmHeads, 3),
                        part(alarmHeads, 4)};
    r.noAlarms = part(alarmHeads, 5);
    for (const ReportAlarm& a : request.alarms) {
        r.alarms.rows.push_back({a.rule, locale.generalDate(a.start),
                                 a.end ? locale.generalDate(*a.end) : "-", a.value});
    }
    return r;
}

} // namespace orv
