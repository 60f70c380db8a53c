#include "core/IsoTime.h"

#include "core/DayNumber.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace orv {
namespace {

std::string twoDigits(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

} // namespace

int systemUtcOffsetSeconds(double localDayNumber) {
    const CivilTime c = toCivil(localDayNumber);
    std::tm tm{};
    tm.tm_year = c.year - 1900;
    tm.tm_mon = c.month - 1;
    tm.tm_mday = c.day;
    tm.tm_hour = c.hour;
    tm.tm_min = c.minute;
    tm.tm_sec = c.second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    std::tm local{};
    if (t == static_cast<std::time_t>(-1) || localtime_r(&t, &local) == nullptr) {
        return 0;
    }
    return static_cast<int>(local.tm_gmtoff);
}

std::string isoLocalTime(double localDayNumber, int utcOffsetSeconds) {
    const CivilTime c = toCivil(localDayNumber);
    char b[32];
    std::snprintf(b, sizeof b, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                  c.minute, c.second);
    const int off = std::abs(utcOffsetSeconds) / 60;
    return std::string(b) + (utcOffsetSeconds < 0 ? "-" : "+") + twoDigits(off / 60) + ":" +
           twoDigits(off % 60);
}

} // namespace orv
