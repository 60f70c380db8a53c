#include "core/NumberReading.h"

#include <charconv>
#include <limits>
#include <string>

namespace orv {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

float ParseSingle(std::string_view text) {
    // A comma counts as the decimal point; the number ends at the first character that does not
    // fit "sign, digits, one point" (a second sign or point included).
    const auto isPoint = [](char c) {
        return c == '.' || c == ',';
    };
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    bool seenPoint = false;
    bool seenComma = false;
    bool seenDigit = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            seenDigit = true;
        } else if (isPoint(text[i]) && !seenPoint) {
            seenPoint = true;
            seenComma = text[i] == ',';
        } else {
            break;
        }
    }
    if (!seenDigit) {
        return 0.0F;
    }
    std::string withPoint;
    std::string_view number = text.substr(start, i - start);
    if (seenComma) {
        withPoint.assign(number);
        withPoint[withPoint.find(',')] = '.';
        number = withPoint;
    }
    // Read as a double first and then narrowed, the way the value has always been taken over
    // into a Single.
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                           std::chars_format::fixed);
    if (ec != std::errc{} || ptr != number.data() + number.size() ||
        value > static_cast<double>(std::numeric_limits<float>::max())) {
        return 0.0F;
    }
    const auto single = static_cast<float>(value);
    return negative ? -single : single;
}

std::int32_t ParseLong(std::string_view text) {
    const auto isNumberChar = [](char c) {
        return isDigit(c) || c == '-' || c == '+';
    };
    std::size_t i = 0;
    while (i < text.size() && !isNumberChar(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    bool seenDigit = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        seenDigit = true;
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) {
            return 0;
        }
    }
    if (!seenDigit) {
        return 0;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min()) {
        return 0;
    }
    return static_cast<std::int32_t>(value);
}

} // namespace orv
