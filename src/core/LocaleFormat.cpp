#include "core/LocaleFormat.h"

#include "core/DayNumber.h"

#include <cmath>
#include <cstdio>

namespace orv {

std::string formatFixed(const LocaleFormat& locale, double value, int decimals) {
    if (std::isnan(value)) {
        return "NaN";
    }
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    std::string digits(buf);
    std::string sign;
    if (!digits.empty() && digits.front() == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    std::string frac;
    if (const auto dot = digits.find('.'); dot != std::string::npos) {
        frac = digits.substr(dot + 1);
        digits.erase(dot);
    }
    const std::string group = locale.groupSeparator();
    std::string out = sign;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += group;
        }
        out += digits[i];
    }
    if (!frac.empty()) {
        out += locale.decimalSeparator();
        out += frac;
    }
    return out;
}

std::string GermanFormat::generalDate(double dayNumber) const {
    const CivilTime t = toCivil(dayNumber);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour,
                  t.minute, t.second);
    return buf;
}

std::string EnglishFormat::generalDate(double dayNumber) const {
    const CivilTime t = toCivil(dayNumber);
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%d/%04d %d:%02d:%02d %s", t.month, t.day, t.year, hour12,
                  t.minute, t.second, t.hour < 12 ? "AM" : "PM");
    return buf;
}

} // namespace orv
