#include "state/IniDecode.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace orv::ini {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isContinuation(unsigned char c) {
    return (c & 0xC0U) == 0x80U;
}

// Length of the UTF-8 sequence starting at `i`, or 1 for a byte that does not start one.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    std::size_t len = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
    }
    if (i + len > s.size()) {
        return 1;
    }
    for (std::size_t k = 1; k < len; ++k) {
        if (!isContinuation(static_cast<unsigned char>(s[i + k]))) {
            return 1;
        }
    }
    return len;
}

template <class Int>
Int decodeWhole(std::string_view text, Int fallback) {
    if (text.empty()) {
        return fallback;
    }
    const double value = leadingNumber(text);
    if (!(value >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          value <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        return fallback;
    }
    return static_cast<Int>(roundHalfEven(value));
}

} // namespace

std::string_view cutStoredText(std::string_view stored, std::size_t maxChars) {
    if (const std::size_t nul = stored.find('\0'); nul != std::string_view::npos) {
        stored = stored.substr(0, nul);
    }
    std::size_t pos = 0;
    for (std::size_t chars = 0; chars < maxChars && pos < stored.size(); ++chars) {
        pos += sequenceLength(stored, pos);
    }
    return stored.substr(0, pos);
}

double leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Rebuilt in from_chars' own syntax, which knows no leading sign or "+" exponent.
    std::string number;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        number += text[i++];
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        number += '.';
        while (i < text.size() && isDigit(text[i])) {
            number += text[i++];
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            negativeExponent = text[j] == '-';
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            number += negativeExponent ? "e-" : "e";
            while (j < text.size() && isDigit(text[j])) {
                number += text[j++];
            }
        }
    }
    if (number.front() == '.') {
        number.insert(number.begin(), '0');
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Tiny numbers only come with a negative exponent; everything else out of range is huge.
        value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

double roundHalfEven(double value) {
    const double down = std::floor(value);
    const double rest = value - down;
    if (rest > 0.5) {
        return down + 1.0;
    }
    if (rest < 0.5) {
        return down;
    }
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

std::int16_t decodeInt(std::string_view text, std::int16_t fallback) {
    return decodeWhole<std::int16_t>(text, fallback);
}

std::int32_t decodeLong(std::string_view text, std::int32_t fallback) {
    return decodeWhole<std::int32_t>(text, fallback);
}

bool decodeBool(std::string_view text, bool fallback) {
    if (text.empty()) {
        return fallback;
    }
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    static constexpr std::array<std::string_view, 4> yes{"1", "ON", "TRUE", "-1"};
    static constexpr std::array<std::string_view, 3> no{"0", "OFF", "FALSE"};
    for (std::string_view word : yes) {
        if (upper == word) {
            return true;
        }
    }
    for (std::string_view word : no) {
        if (upper == word) {
            return false;
        }
    }
    return fallback;
}

std::string decodeString(std::string_view text, std::string_view fallback) {
    return std::string(text.empty() ? fallback : text);
}

} // namespace orv::ini
