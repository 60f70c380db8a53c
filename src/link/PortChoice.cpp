#include "link/PortChoice.h"

#include "core/NumberReading.h"
#include "shell/IniStore.h"
#include "shell/SettingsKeys.h"

#include <cmath>

namespace orv {

std::string portItemData(int port) {
    return "Com" + std::to_string(port);
}

std::string portItemText(int port, std::string_view device) {
    std::string text = portItemData(port);
    if (!device.empty()) {
        text += "  (";
        text += device;
        text += ")";
    }
    return text;
}

bool portListTested(const IniStore& ini, int port) {
    return ini.ReadIniBool(keys::General, keys::portTestKey(port), keys::PortTestAllowedDefault);
}

PortChoice choosePort(std::string_view text) {
    if (text == kNoPort) {
        return {PortChoice::Kind::None, 0};
    }
    if (text == kAutoPort) {
        return {PortChoice::Kind::Auto, 0};
    }
    return {PortChoice::Kind::Port, ParseLong(text)};
}

std::optional<std::int32_t> tcpPortFromText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    double value = 0.0;
    bool seenDigit = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        seenDigit = true;
        value = value * 10.0 + (text[i] - '0');
        if (value > 1e6) {
            return std::nullopt;
        }
    }
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            seenDigit = true;
            value += (text[i] - '0') * scale;
            scale /= 10.0;
        }
    }
    if (!seenDigit || negative) {
        return std::nullopt;
    }
    // Halves go to the even neighbour, as the number conversion has always done.
    const double rounded = std::nearbyint(value);
    if (rounded < 1.0 || rounded > 65535.0) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

} // namespace orv
