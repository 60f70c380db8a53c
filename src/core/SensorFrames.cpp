#include "core/SensorFrames.h"

#include "core/FrameChecksum.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace orv {

namespace {

constexpr std::size_t kLongTemperatureWidth = 7;
constexpr std::size_t kLongHumidityWidth = 6;

bool isSerialCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("-_./+#").find(c) != std::string_view::npos;
}

// Rounds to the field's decimals first so that a value like -0.001 does not come out as "-0.00".
// Zero-padded to `width` characters after an optional sign, like printf's "%+07.2f", but through
// std::to_chars so that the C library's locale never turns the point into a comma.
std::string formatReading(double value, int width, int decimals, bool withSign, bool decimalComma) {
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    const double scale = decimals == 2 ? 100.0 : 10.0;
    value = std::round(std::clamp(value, kMinFieldValue, kMaxFieldValue) * scale) / scale;
    if (value == 0.0) {
        value = 0.0; // drops the sign of -0
    }
    char digits[32];
    const auto res = std::to_chars(digits, digits + sizeof digits, std::fabs(value),
                                   std::chars_format::fixed, decimals);
    std::string out;
    if (value < 0) {
        out += '-';
    } else if (withSign) {
        out += '+';
    }
    const auto length = static_cast<int>(res.ptr - digits);
    out.append(static_cast<std::size_t>(std::max(0, width - static_cast<int>(out.size()) - length)),
               '0');
    out.append(digits, res.ptr);
    if (decimalComma) {
        std::replace(out.begin(), out.end(), '.', ',');
    }
    return out;
}

std::string errorField(const std::string& code, FrameLayout layout, std::size_t longWidth) {
    if (auto problem = checkErrorCode(code)) {
        throw std::invalid_argument(*problem);
    }
    std::string out = code;
    if (layout == FrameLayout::F) {
        out.resize(longWidth, ' ');
    }
    return out;
}

} // namespace

std::optional<std::string> checkSerialNumber(std::string_view text) {
    if (text.size() != kSerialNumberLength) {
        return "serial number must be exactly 8 characters, got " + std::to_string(text.size());
    }
    if (!std::all_of(text.begin(), text.end(), isSerialCharacter)) {
        return "serial number may hold only letters, digits and -_./+#";
    }
    return std::nullopt;
}

std::optional<std::string> checkErrorCode(std::string_view text) {
    const auto codeChar = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    if (text.size() != 3 || text[0] != 'A' || !codeChar(text[1]) || !codeChar(text[2])) {
        return "error code must be \"A\" and two upper-case letters or digits, like A03";
    }
    return std::nullopt;
}

std::string temperatureField(const SensorFrame& frame) {
    if (!frame.temperature.errorCode.empty()) {
        return errorField(frame.temperature.errorCode, frame.layout, kLongTemperatureWidth);
    }
    return frame.layout == FrameLayout::F
               ? formatReading(frame.temperature.value, 7, 2, true, frame.decimalComma)
               : formatReading(frame.temperature.value, 5, 1, true, frame.decimalComma);
}

std::string humidityField(const SensorFrame& frame) {
    if (!frame.humidity.errorCode.empty()) {
        return errorField(frame.humidity.errorCode, frame.layout, kLongHumidityWidth);
    }
    return frame.layout == FrameLayout::F
               ? formatReading(frame.humidity.value, 6, 2, false, frame.decimalComma)
               : formatReading(frame.humidity.value, 4, 1, false, frame.decimalComma);
}

std::string sensorFrameBody(const SensorFrame& frame) {
    const std::string temperature = temperatureField(frame);
    const std::string humidity = humidityField(frame);
    if (frame.layout == FrameLayout::H) {
        return "@T;" + temperature + ";H;" + humidity + ";";
    }
    if (auto problem = checkSerialNumber(frame.serialNumber)) {
        throw std::invalid_argument(*problem);
    }
    // "C;" in front of "F;" puts the humidity marker at position 14, where the parser starts
    // looking for it; "%;S/N;" brings the serial number to position 29.
    return "@T;" + temperature + ";C;F;" + humidity + ";%;S/N;" + frame.serialNumber + ";";
}

std::string buildSensorFrame(const SensorFrame& frame, std::string_view terminator) {
    const std::string body = sensorFrameBody(frame);
    std::uint8_t checksum = frameChecksumForBody(body);
    if (frame.badChecksum) {
        checksum = static_cast<std::uint8_t>(checksum + 1);
    }
    return withChecksumDigits(body, checksum, terminator);
}

} // namespace orv
