#include "offline/ReportAlarms.h"

#include "alarms/AlarmEvaluator.h"
#include "offline/DerivedStats.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

TempUnit unitOf(char code) {
    switch (code) {
    case 'F':
        return TempUnit::Fahrenheit;
    case 'K':
        return TempUnit::Kelvin;
    default:
        return TempUnit::Celsius;
    }
}

double celsius(double v, char code) {
    return code == 'F' ? (v - 32.0) / 1.8 : code == 'K' ? v - 273.15 : v;
}

} // namespace

std::vector<AlarmInterval> evaluateAlarmRules(const LogData& log, std::int64_t first,
                                              std::int64_t count,
                                              const std::vector<AlarmRule>& rules) {
    const LogHeader& h = log.header();
    AlarmEvaluator evaluator(rules, unitOf(h.tempUnitCode));
    const RecordDeriver derive(h);
    std::vector<AlarmEventRow> rows;
    auto keep = [&rows](const std::vector<AlarmEvent>& events) {
        for (const AlarmEvent& e : events) {
            rows.push_back({e.time, e.ruleText, e.value, e.start});
        }
    };
    const std::int64_t begin = std::clamp<std::int64_t>(first, 0, log.size());
    const std::int64_t end = std::clamp<std::int64_t>(first + count, begin, log.size());
    bool silent = false;
    for (std::int64_t k = begin; k < end; ++k) {
        const float t = log.value(Channel::Temperature, k);
        const float ch2 = log.value(Channel::Channel2, k);
        const double time = log.recordTime(k);
        if (std::isnan(t) || std::isnan(ch2)) {
            keep(evaluator.silence(time, true));
            silent = true;
            continue;
        }
        if (silent) {
            keep(evaluator.silence(time, false));
            silent = false;
        }
        AlarmSample s;
        s.time = time;
        s.temperature = celsius(t, h.tempUnitCode);
        s.humidity = derive.humidity(t, ch2);
        s.dewPoint = h.ch2IsHumidity() ? psychroSample(s.temperature, ch2).dewPoint
                                       : celsius(ch2, h.ch2UnitCode);
        keep(evaluator.sample(s));
    }
    return alarmIntervals(rows);
}

std::vector<ReportAlarm> reportAlarms(const std::vector<AlarmInterval>& intervals,
                                      const LogData& log, std::int64_t first, std::int64_t count,
                                      const LocaleFormat& locale) {
    std::vector<ReportAlarm> out;
    if (count <= 0) {
        return out;
    }
    const double from = log.recordTime(first);
    const double to = log.recordTime(first + count - 1);
    for (const AlarmInterval& a : intervals) {
        if (a.start > to || a.endOr(to) < from) {
            continue;
        }
        out.push_back(
            {a.rule, a.start, a.end, a.value ? formatFixed(locale, *a.value, 1) : std::string()});
    }
    return out;
}

} // namespace orv
