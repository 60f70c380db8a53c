#pragma once

#include <cstdint>

namespace orv {

// Local date-times as day numbers: days since 1899-12-30 00:00, the fraction being the time of
// day. Pure calendar arithmetic; no time zone is involved because day numbers are local already.
struct CivilTime {
    int year = 1899;
    int month = 12; // 1..12
    int day = 30;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Rounded to the nearest second.
[[nodiscard]] CivilTime toCivil(double dayNumber);
[[nodiscard]] double fromCivil(const CivilTime& t);

// Seconds since 1899-12-30 00:00, rounded to the nearest whole second.
[[nodiscard]] std::int64_t toSeconds(double dayNumber);

inline constexpr double kSecondsPerDay = 86400.0;

} // namespace orv
