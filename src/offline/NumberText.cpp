#include "offline/NumberText.h"

#include <charconv>
#include <cmath>

namespace orv {
namespace {

std::string withSeparator(const char* first, const char* last, const std::string& separator) {
    std::string out(first, last);
    if (out == "-0") {
        return "0";
    }
    if (const auto dot = out.find('.'); dot != std::string::npos) {
        out.replace(dot, 1, separator);
    }
    return out;
}

std::string nonFiniteText(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    return value < 0 ? "-Inf" : "Inf";
}

} // namespace

double roundHalfEven(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::nearbyint(value * scale) / scale;
}

std::string shortestText(double value, const std::string& decimalSeparator) {
    if (!std::isfinite(value)) {
        return nonFiniteText(value);
    }
    char buf[400]; // fixed notation of the largest double needs 309 digits
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return withSeparator(buf, res.ptr, decimalSeparator);
}

std::string shortestText(float value, const std::string& decimalSeparator) {
    if (!std::isfinite(value)) {
        return nonFiniteText(value);
    }
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return withSeparator(buf, res.ptr, decimalSeparator);
}

std::string roundedText(double value, int decimals, const LocaleFormat& locale) {
    return shortestText(roundHalfEven(value, decimals), locale.decimalSeparator());
}

std::string valueLabelText(double value, const LocaleFormat& locale) {
    const std::string text = roundedText(value, 1, locale);
    return (text.front() == '-' ? "" : " ") + text + " ";
}

} // namespace orv
