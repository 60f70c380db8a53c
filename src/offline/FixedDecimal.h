#pragma once

// Fast number texts for the text export and the CSV file. Every function here writes exactly the
// bytes of the general formatter it stands for (std::to_chars and the rounding of the export);
// values outside the fast range go through that formatter itself.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orv::fixed {

// "00" "01" ... "99": two digits per lookup.
inline constexpr char kDigitPairs[201] = "00010203040506070809"
                                         "10111213141516171819"
                                         "20212223242526272829"
                                         "30313233343536373839"
                                         "40414243444546474849"
                                         "50515253545556575859"
                                         "60616263646566676869"
                                         "70717273747576777879"
                                         "80818283848586878889"
                                         "90919293949596979899";

// The nearest whole number with halves to even (the current rounding mode, as std::nearbyint),
// for |x| < 2^63.
inline std::int64_t roundToEven(double x) {
#if defined(__SSE2__)
    return _mm_cvtsd_si64(_mm_set_sd(x));
#else
    return static_cast<std::int64_t>(std::nearbyint(x));
#endif
}

// std::llround (halves away from zero) for |x| < 2^53, without the library call.
inline std::int64_t roundHalfAway(double x) {
    auto t = static_cast<std::int64_t>(x); // truncates
    const double rest = x - static_cast<double>(t);
    if (rest >= 0.5) {
        ++t;
    } else if (rest <= -0.5) {
        --t;
    }
    return t;
}

inline char* twoDigits(char* out, unsigned v) {
    std::memcpy(out, kDigitPairs + 2 * v, 2);
    return out + 2;
}

char* writeUnsignedLong(char* out, std::uint64_t v);

// The decimal digits of v, as std::to_chars writes them.
inline char* writeUnsigned(char* out, std::uint64_t v) {
    if (v < 10) {
        *out = static_cast<char>('0' + v);
        return out + 1;
    }
    if (v < 100) {
        return twoDigits(out, static_cast<unsigned>(v));
    }
    return writeUnsignedLong(out, v);
}

// n hundredths (n >= 0) as the shortest text: "21", "21,5", "21,05".
inline char* writeHundredths(char* out, std::uint64_t n, std::string_view separator) {
    out = writeUnsigned(out, n / 100);
    const auto frac = static_cast<unsigned>(n % 100);
    if (frac != 0) {
        if (separator.size() == 1) {
            *out++ = separator.front();
        } else {
            std::memcpy(out, separator.data(), separator.size());
            out += separator.size();
        }
        out = twoDigits(out, frac);
        out -= frac % 10 == 0 ? 1 : 0;
    }
    return out;
}

// The general path of exportValue: every value, however large or odd.
char* exportValueGeneral(char* out, float value, std::string_view separator);

// A value of an export line: rounded to 2 decimals with halves to even on the widened value, the
// shortest text with `separator`, "0" for everything that rounds to zero (a negative zero too),
// "NaN", "Inf", "-Inf". At most 64 bytes.
inline char* exportValue(char* out, float value, std::string_view separator) {
    const double scaled = static_cast<double>(value) * 100;
    // Rounded values below 10^15 hundredths are written as integers; the comparison is false
    // for NaN, so those and the infinities take the general path too.
    if (!(std::fabs(scaled) < 999'999'999'999'999.0)) {
        return exportValueGeneral(out, value, separator);
    }
    std::int64_t n = roundToEven(scaled);
    if (n < 0) {
        *out++ = '-';
        n = -n;
    }
    return writeHundredths(out, static_cast<std::uint64_t>(n), separator);
}

// The general path of shortestFixed: std::to_chars in fixed notation.
char* shortestFixedGeneral(char* out, float value, char decimal);

// A finite float as std::to_chars(fixed) writes it (its shortest round-trip text in positional
// notation, "-0" for a negative zero) with `decimal` as the decimal point. At most 64 bytes.
//
// The fast path takes values below 2^17 whose shortest text has at most two decimals. There the
// float spacing is under 0.01, so no two numbers of at most two decimals read back as the same
// float, and a text with fewer significant digits would need fewer decimals too: when n/100
// with n = nearest(100 |v|) lies strictly within half the spacing below |v| of |v|, n/100 is the
// shortest text.
inline char* shortestFixed(char* out, float value, char decimal) {
    const float a = std::fabs(value);
    if (a < 131072.0F) {
        const double scaled = static_cast<double>(a) * 100; // exact: 24 + 7 bits
        const std::int64_t n = roundToEven(scaled);
        const double miss = std::fabs(scaled - static_cast<double>(n)); // exact
        // a - its lower neighbour: the spacing below a (NaN for a zero, which goes the long way)
        const float below = std::bit_cast<float>(std::bit_cast<std::uint32_t>(a) - 1);
        const double spacing100 = (static_cast<double>(a) - static_cast<double>(below)) * 100;
        if (2 * miss < spacing100) {
            if (std::signbit(value)) {
                *out++ = '-';
            }
            return writeHundredths(out, static_cast<std::uint64_t>(n),
                                   std::string_view(&decimal, 1));
        }
    }
    return shortestFixedGeneral(out, value, decimal);
}

// A running record number as text: counts up by one without dividing each time.
class DecimalCounter {
public:
    explicit DecimalCounter(std::uint64_t start);

    // Writes the current number and returns the end; needs room for 24 bytes at `out`.
    char* write(char* out) const {
        std::memcpy(out, digits_, sizeof digits_);
        return out + length_;
    }

    void next() {
        for (std::size_t i = length_; i-- > 0;) {
            if (digits_[i] != '9') {
                ++digits_[i];
                return;
            }
            digits_[i] = '0';
        }
        // 9...9 became 0...0: one more digit
        digits_[0] = '1';
        digits_[length_++] = '0';
    }

private:
    char digits_[24] = {};
    std::size_t length_ = 0;
};

} // namespace orv::fixed
