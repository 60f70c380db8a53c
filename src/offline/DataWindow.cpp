#include "offline/DataWindow.h"

#include "offline/AxisLabels.h"
#include "offline/NumberText.h"

#include <cmath>

namespace orv {
namespace {

std::optional<ChannelExtremes> extremesOf(const RangeStats& s) {
    if (s.count == 0) {
        return std::nullopt;
    }
    return ChannelExtremes{s.min, s.max};
}

} // namespace

std::optional<std::array<std::string, kDataWindowLabels>>
dataWindowCaptions(const Texts& texts, const std::string& tempUnitText,
                   const std::string& ch2UnitText) {
    if (ch2UnitText.empty()) {
        return std::nullopt;
    }
    const int shift = isHumidityUnit(ch2UnitText) ? 0 : 3;
    const std::string temperature =
        texts.textOr(193 + shift, "Temperatur") + " (" + tempUnitText + ")";
    const std::string channel2 =
        texts.textOr(194 + shift, shift == 0 ? "rel. Feuchte" : "Taupunkt") + " (" + ch2UnitText +
        ")";
    const std::string time = texts.textOr(195 + shift, "Zeit");
    return std::array<std::string, kDataWindowLabels>{temperature,
                                                      channel2,
                                                      time,
                                                      temperature,
                                                      channel2,
                                                      time,
                                                      temperature,
                                                      channel2,
                                                      time,
                                                      "max. " + temperature,
                                                      "min. " + temperature,
                                                      "Ø " + temperature,
                                                      "max. " + channel2,
                                                      "min. " + channel2,
                                                      "Ø " + channel2};
}

RecordReadout recordReadout(const LogData& data, std::int64_t record, double time,
                            const LocaleFormat& locale) {
    if (record < 0 || record >= data.size()) {
        return {};
    }
    return {roundedText(data.value(Channel::Temperature, record), 2, locale),
            roundedText(data.value(Channel::Channel2, record), 2, locale),
            locale.generalDate(time)};
}

MarkerStatistics markerStatistics(const LogData& data, const RecordSpan& span) {
    return {data.stats(Channel::Temperature, span.first, span.last),
            data.stats(Channel::Channel2, span.first, span.last)};
}

StatisticsReadout statisticsReadout(const MarkerStatistics& stats, const LocaleFormat& locale) {
    auto text = [&](double v) {
        return roundedText(v, 1, locale);
    };
    return {text(stats.temperature.max),       text(stats.temperature.min),
            text(stats.temperature.average()), text(stats.channel2.max),
            text(stats.channel2.min),          text(stats.channel2.average())};
}

ValueScale autoScaleOf(const LogData& data, const ViewRange& view) {
    if (view.count <= 0) {
        return {};
    }
    return autoScale(extremesOf(data.stats(Channel::Temperature, view.start, view.last())),
                     extremesOf(data.stats(Channel::Channel2, view.start, view.last())));
}

} // namespace orv
