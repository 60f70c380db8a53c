#include "offline/DerivedStats.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The clamped, ordered record range; begin > end when the log is empty.
std::pair<std::int64_t, std::int64_t> recordRange(const LogData& log, std::int64_t first,
                                                  std::int64_t last) {
    if (first > last) {
        std::swap(first, last);
    }
    return {std::max<std::int64_t>(first, 0), std::min<std::int64_t>(last, log.size() - 1)};
}

} // namespace

RecordDeriver::RecordDeriver(const LogHeader& header, double pressureHpa)
    : unit_(header.tempUnitCode), storesHumidity_(header.ch2IsHumidity()), pressure_(pressureHpa) {}

double RecordDeriver::celsius(float value) const {
    switch (unit_) {
    case 'C':
        return value;
    case 'F':
        return (static_cast<double>(value) - 32.0) / 1.8;
    case 'K':
        return static_cast<double>(value) - 273.15;
    default:
        return kNaN;
    }
}

double RecordDeriver::humidity(float temperature, float channel2) const {
    return storesHumidity_ ? static_cast<double>(channel2)
                           : humidityFromDewPoint(celsius(temperature), celsius(channel2));
}

DerivedValues RecordDeriver::operator()(float temperature, float channel2) const {
    return deriveQuantities(celsius(temperature), humidity(temperature, channel2), pressure_);
}

void Extremes::add(double v, std::int64_t record) {
    if (std::isnan(v)) {
        return;
    }
    if (count == 0 || v < min) {
        min = v;
        minRecord = record;
    }
    if (count == 0 || v > max) {
        max = v;
        maxRecord = record;
    }
    sum += v;
    ++count;
}

double Extremes::average() const {
    return count > 0 ? sum / static_cast<double>(count) : kNaN;
}

std::optional<DerivedExtremes> derivedExtremes(const LogData& log, std::int64_t first,
                                               std::int64_t last, double pressureHpa,
                                               std::stop_token stop) {
    const auto [begin, end] = recordRange(log, first, last);
    const RecordDeriver derive(log.header(), pressureHpa);
    const auto temp = log.channel(Channel::Temperature);
    const auto ch2 = log.channel(Channel::Channel2);
    DerivedExtremes out;
    for (std::int64_t k = begin; k <= end; ++k) {
        if ((k & 0xFFF) == 0 && stop.stop_requested()) {
            return std::nullopt;
        }
        if (std::isnan(temp[k]) || std::isnan(ch2[k])) {
            continue;
        }
        const DerivedValues v = derive(temp[k], ch2[k]);
        for (std::size_t q = 0; q < kDerivedCount; ++q) {
            out[q].add(v[q], k);
        }
    }
    return out;
}

Extremes channelExtremes(const LogData& log, Channel c, std::int64_t first, std::int64_t last) {
    const auto [begin, end] = recordRange(log, first, last);
    const auto values = log.channel(c);
    Extremes out;
    for (std::int64_t k = begin; k <= end; ++k) {
        out.add(values[k], k);
    }
    return out;
}

} // namespace orv
