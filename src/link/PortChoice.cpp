#include "link/PortChoice.h"

#include "core/NumberReading.h"
#include "state/IniDecode.h"
#include "state/IniStore.h"
#include "state/SettingsKeys.h"

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
    // A port is typed as digits: an exponent is not read, so "3e4" is port 3.
    const double rounded =
        ini::roundHalfEven(ini::leadingNumber(text.substr(0, text.find_first_of("eE"))));
    if (rounded < 1.0 || rounded > 65535.0) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

} // namespace orv
