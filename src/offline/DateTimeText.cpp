#include "offline/DateTimeText.h"

#include "core/DayNumber.h"
#include "offline/FixedDecimal.h"
#include "offline/LogLoader.h"

#include <cmath>
#include <cstring>

namespace orv {
namespace {

char* twoDigits(char* out, int v) {
    return fixed::twoDigits(out, static_cast<unsigned>(v));
}

} // namespace

char* DateTimeWriter::write(char* out, double dayNumber) {
    // Within years 100..9999 the product stays below 2^48, far from any overflow.
    const double scaled = dayNumber * kSecondsPerDay * (millis_ ? 1000.0 : 1.0);
    if (std::fabs(scaled) < 1e15) { // false for NaN and the infinities
        const std::int64_t ofDay = fixed::roundHalfAway(scaled) - dayStart_;
        // Every time that rounds into a day with usable days on both sides is usable itself.
        if (dayInside_ && ofDay >= 0 && ofDay < perDay()) {
            std::memcpy(out, date_, 11);
            return writeTimeOfDay(out + 11, ofDay);
        }
    }
    if (!usableDayNumber(dayNumber)) {
        return out;
    }
    const std::int64_t units = fixed::roundHalfAway(scaled);
    std::int64_t day = units / perDay();
    std::int64_t ofDay = units % perDay();
    if (ofDay < 0) {
        ofDay += perDay();
        --day;
    }
    if (day != day_) {
        const CivilTime t = toCivil(static_cast<double>(day));
        char* p = date_;
        p = twoDigits(p, t.year / 100);
        p = twoDigits(p, t.year % 100);
        *p++ = '-';
        p = twoDigits(p, t.month);
        *p++ = '-';
        p = twoDigits(p, t.day);
        *p = separator_;
        day_ = day;
        dayStart_ = day * perDay();
        dayInside_ = usableDayNumber(static_cast<double>(day - 1)) &&
                     usableDayNumber(static_cast<double>(day + 1));
    }
    std::memcpy(out, date_, 11);
    return writeTimeOfDay(out + 11, ofDay);
}

char* DateTimeWriter::writeTimeOfDay(char* out, std::int64_t ofDay) const {
    const auto secs = static_cast<int>(millis_ ? ofDay / 1000 : ofDay);
    out = twoDigits(out, secs / 3600);
    *out++ = ':';
    out = twoDigits(out, secs / 60 % 60);
    *out++ = ':';
    out = twoDigits(out, secs % 60);
    if (millis_) {
        const auto frac = static_cast<int>(ofDay % 1000);
        *out++ = '.';
        *out++ = static_cast<char>('0' + frac / 100);
        out = twoDigits(out, frac % 100);
    }
    return out;
}

std::string dateTimeText(double dayNumber, char separator, bool millis) {
    char buf[DateTimeWriter::kMaxChars];
    DateTimeWriter writer(separator, millis);
    const char* end = writer.write(buf, dayNumber);
    return {buf, static_cast<std::size_t>(end - buf)};
}

} // namespace orv
