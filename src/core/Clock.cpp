#include "core/Clock.h"

#include "core/DayNumber.h"

#include <chrono>
#include <ctime>

namespace orv {

double SystemClock::now() const {
    using namespace std::chrono;
    const auto tp = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(tp);
    std::tm local{};
    localtime_r(&secs, &local);
    const double frac = duration<double>(tp.time_since_epoch()).count() - static_cast<double>(secs);
    CivilTime t{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour,        local.tm_min,     local.tm_sec};
    return fromCivil(t) + frac / kSecondsPerDay;
}

} // namespace orv
