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
        const std::int64_t ofMinute = fixed::roundHalfAway(scaled) - minuteStart_;
        // Every time that rounds into a day with usable days on both sides is usable itself.
        if (dayInside_ && ofMinute >= 0 && ofMinute < 60 * perSecond()) {
            std::memcpy(out, prefix_, kPrefixChars);
            return writeSeconds(out + kPrefixChars, ofMinute);
        }
    }
    if (!usableDayNumber(dayNumber)) {
        return out;
    }
    const std::int64_t units = fixed::roundHalfAway(scaled);
    const std::int64_t perDay = 86'400 * perSecond();
    std::int64_t day = units / perDay;
    std::int64_t ofDay = units % perDay;
    if (ofDay < 0) {
        ofDay += perDay;
        --day;
    }
    char* p = prefix_;
    if (day != day_) {
        const CivilTime t = toCivil(static_cast<double>(day));
        p = twoDigits(p, t.year / 100);
        p = twoDigits(p, t.year % 100);
        *p++ = '-';
        p = twoDigits(p, t.month);
        *p++ = '-';
        p = twoDigits(p, t.day);
        *p = separator_;
        day_ = day;
        dayInside_ = usableDayNumber(static_cast<double>(day - 1)) &&
                     usableDayNumber(static_cast<double>(day + 1));
    }
    const auto minute = static_cast<int>(ofDay / (60 * perSecond()));
    p = twoDigits(prefix_ + 11, minute / 60);
    *p++ = ':';
    p = twoDigits(p, minute % 60);
    *p = ':';
    const std::int64_t ofMinute = ofDay % (60 * perSecond());
    minuteStart_ = units - ofMinute;
    std::memcpy(out, prefix_, kPrefixChars);
    return writeSeconds(out + kPrefixChars, ofMinute);
}

char* DateTimeWriter::writeSeconds(char* out, std::int64_t ofMinute) const {
    if (!millis_) {
        return twoDigits(out, static_cast<int>(ofMinute));
    }
    const auto ms = static_cast<int>(ofMinute);
    out = twoDigits(out, ms / 1000);
    *out++ = '.';
    *out++ = static_cast<char>('0' + ms % 1000 / 100);
    return twoDigits(out, ms % 100);
}

std::string dateTimeText(double dayNumber, char separator, bool millis) {
    char buf[DateTimeWriter::kMaxChars];
    DateTimeWriter writer(separator, millis);
    const char* end = writer.write(buf, dayNumber);
    return {buf, static_cast<std::size_t>(end - buf)};
}

} // namespace orv
