#pragma once

#include <string>

namespace orv {

// Seconds east of UTC of the system's time zone at a local day number.
[[nodiscard]] int systemUtcOffsetSeconds(double localDayNumber);

// "2026-12-07T14:03:05+01:00": local time to the second with the given offset from UTC.
[[nodiscard]] std::string isoLocalTime(double localDayNumber, int utcOffsetSeconds);

// The same with the offset from UTC in force then.
[[nodiscard]] inline std::string isoLocalTime(double localDayNumber) {
    return isoLocalTime(localDayNumber, systemUtcOffsetSeconds(localDayNumber));
}

} // namespace orv
