#include "core/LocaleFormat.h"

#include "core/DayNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace orv {

std::string formatFixed(const LocaleFormat& locale, double value, int decimals) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Inf" : "Inf";
    }
    // std::to_chars never looks at the C library's locale: a desktop's LC_NUMERIC (which the
    // windowing toolkit switches on) must not change the digits. The separators come from
    // `locale` below and nowhere else.
    decimals = std::max(decimals, 0);
    // Sign, the 309 digits of the largest double, the point and the decimals.
    std::string buf(312 + static_cast<std::size_t>(decimals), '\0');
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                         std::chars_format::fixed, decimals);
    if (ec != std::errc{}) {
        return "NaN"; // the buffer always has room
    }
    std::string_view digits(buf.data(), static_cast<std::size_t>(end - buf.data()));
    std::string out;
    if (!digits.empty() && digits.front() == '-') {
        out = "-";
        digits.remove_prefix(1);
    }
    std::string_view frac;
    if (const auto dot = digits.find('.'); dot != std::string_view::npos) {
        frac = digits.substr(dot + 1);
        digits = digits.substr(0, dot);
    }
    const std::string group = locale.groupSeparator();
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
