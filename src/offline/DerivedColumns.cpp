#include "offline/DerivedColumns.h"

#include <charconv>
#include <cmath>

namespace orv {

std::string derivedHeaderCells(const DerivedNames& names, char separator) {
    std::string out;
    for (std::size_t q = 0; q < kDerivedCount; ++q) {
        const auto quantity = static_cast<Derived>(q);
        out += separator;
        out += names[q].empty() ? std::string(derivedName(quantity)) : names[q];
        out += " (";
        out += derivedUnit(quantity);
        out += ')';
    }
    return out;
}

char* writeDerivedCells(char* out, const DerivedValues& values, char separator, char decimal) {
    for (const double v : values) {
        *out++ = separator;
        if (!std::isfinite(v)) {
            continue;
        }
        // Thousandths as an integer first, so the rounding is the same as the diagram's export.
        const double milli = std::nearbyint(v * 1000.0);
        auto whole = static_cast<long long>(std::abs(milli));
        if (milli < 0 && whole != 0) {
            *out++ = '-';
        }
        out = std::to_chars(out, out + 24, whole / 1000).ptr;
        *out++ = decimal;
        const auto frac = static_cast<int>(whole % 1000);
        *out++ = static_cast<char>('0' + frac / 100);
        *out++ = static_cast<char>('0' + frac / 10 % 10);
        *out++ = static_cast<char>('0' + frac % 10);
    }
    return out;
}

} // namespace orv
