#include "offline/FixedDecimal.h"

#include "offline/NumberText.h"

#include <algorithm>
#include <charconv>

namespace orv::fixed {

char* writeUnsignedLong(char* out, std::uint64_t v) {
    char tmp[20];
    char* p = tmp + sizeof tmp;
    while (v >= 100) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (v % 100), 2);
        v /= 100;
    }
    if (v >= 10) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * v, 2);
    } else {
        *--p = static_cast<char>('0' + v);
    }
    const auto n = static_cast<std::size_t>(tmp + sizeof tmp - p);
    std::memcpy(out, p, n);
    return out + n;
}

char* exportValueGeneral(char* out, float value, std::string_view separator) {
    const double widened = value;
    if (!std::isfinite(widened)) {
        const std::string_view text = std::isnan(widened) ? "NaN" : widened < 0 ? "-Inf" : "Inf";
        std::memcpy(out, text.data(), text.size());
        return out + text.size();
    }
    const double hundredths = std::nearbyint(widened * 100);
    if (std::fabs(hundredths) >= 1e15) {
        // More than 15 significant digits: the shortest text of the rounded double.
        const std::string text = shortestText(hundredths / 100, std::string(separator));
        std::memcpy(out, text.data(), text.size());
        return out + text.size();
    }
    auto n = static_cast<std::int64_t>(hundredths);
    if (n < 0) {
        *out++ = '-'; // a negative zero has become the integer 0 and gets no sign
        n = -n;
    }
    return writeHundredths(out, static_cast<std::uint64_t>(n), separator);
}

char* shortestFixedGeneral(char* out, float value, char decimal) {
    char* end = std::to_chars(out, out + 64, value, std::chars_format::fixed).ptr;
    if (decimal != '.') {
        std::replace(out, end, '.', decimal);
    }
    return end;
}

DecimalCounter::DecimalCounter(std::uint64_t start) {
    length_ = static_cast<std::size_t>(writeUnsigned(digits_, start) - digits_);
}

} // namespace orv::fixed
