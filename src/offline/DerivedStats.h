#pragma once

#include "core/Psychrometrics.h"
#include "offline/LogData.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <stop_token>

namespace orv {

// Turns the two stored values of one record into the humidity quantities: the temperature is
// brought to °C from the file's unit, and a file that stores the dew point (in the temperature's
// unit) has its humidity derived back from it. A file with an unknown temperature unit gives NaN.
class RecordDeriver {
public:
    explicit RecordDeriver(const LogHeader& header, double pressureHpa = kStandardPressureHpa);

    [[nodiscard]] DerivedValues operator()(float temperature, float channel2) const;
    // Relative humidity in % of a record: the stored one, or the one its dew point implies.
    [[nodiscard]] double humidity(float temperature, float channel2) const;
    [[nodiscard]] double pressure() const { return pressure_; }

private:
    [[nodiscard]] double celsius(float value) const;

    char unit_;
    bool storesHumidity_;
    double pressure_;
};

// Minimum, maximum and average of a value over a record range, with the records that hold the
// minimum and the maximum (the first such record each). NaN values are skipped.
struct Extremes {
    double min = std::numeric_limits<double>::quiet_NaN();
    double max = std::numeric_limits<double>::quiet_NaN();
    double sum = 0.0;
    std::int64_t count = 0;
    std::int64_t minRecord = -1;
    std::int64_t maxRecord = -1;

    void add(double v, std::int64_t record);
    [[nodiscard]] double average() const;
};
using DerivedExtremes = std::array<Extremes, kDerivedCount>;

// Over records first..last (both included; clamped to the loaded records, swapped when
// first > last). One pass through the record arrays, every record computed once. A requested
// stop (checked every few thousand records) gives nullopt.
[[nodiscard]] std::optional<DerivedExtremes>
derivedExtremes(const LogData& log, std::int64_t first, std::int64_t last,
                double pressureHpa = kStandardPressureHpa, std::stop_token stop = {});
// The same for a stored channel.
[[nodiscard]] Extremes channelExtremes(const LogData& log, Channel c, std::int64_t first,
                                       std::int64_t last);

} // namespace orv
