#pragma once

#include "core/LocaleFormat.h"
#include "core/Texts.h"
#include "offline/LogData.h"
#include "offline/Markers.h"
#include "offline/ValueScale.h"
#include "offline/ViewMapping.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orv {

// What the marker data window shows for one diagram, computed from its loaded file.

// Captions of the fifteen value labels: pointer, left marker, right marker (temperature,
// channel 2, time each), then max/min/average of temperature and channel 2. The channel-2 words
// are the humidity texts (193..195) or the dew-point texts (196..198). nullopt while no unit is
// known (no file loaded): the window keeps its design captions.
inline constexpr std::size_t kDataWindowLabels = 15;
[[nodiscard]] std::optional<std::array<std::string, kDataWindowLabels>>
dataWindowCaptions(const Texts& texts, const std::string& tempUnitText,
                   const std::string& ch2UnitText);

// Temperature, channel 2 and time of one record (pointer or marker): values to 2 decimals.
struct RecordReadout {
    std::string temperature;
    std::string channel2;
    std::string time;
};
[[nodiscard]] RecordReadout recordReadout(const LogData& data, std::int64_t record, double time,
                                          const LocaleFormat& locale);

// Max, min and average between the markers, to one decimal. A channel with no value in the
// range ("NaN" records only) reads "NaN".
struct StatisticsReadout {
    std::string tempMax, tempMin, tempAverage;
    std::string ch2Max, ch2Min, ch2Average;
};
struct MarkerStatistics {
    RangeStats temperature;
    RangeStats channel2;
};
// Over both marker records and everything between them.
[[nodiscard]] MarkerStatistics markerStatistics(const LogData& data, const RecordSpan& span);
[[nodiscard]] StatisticsReadout statisticsReadout(const MarkerStatistics& stats,
                                                  const LocaleFormat& locale);

// The value range of an unzoomed view over the visible records, NaN records skipped.
[[nodiscard]] ValueScale autoScaleOf(const LogData& data, const ViewRange& view);

} // namespace orv
