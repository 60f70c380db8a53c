#include "state/SettingsKeys.h"

namespace orv {

namespace keys {

std::string portTestKey(int port) {
    return "PortTest" + std::to_string(port);
}

std::string portCommKey(int port) {
    return "PortComm" + std::to_string(port);
}

std::string alarmRuleKey(int n) {
    return "Rule" + std::to_string(n);
}

std::string portMapKey(int port) {
    return "COM" + std::to_string(port);
}

} // namespace keys

std::string defaultPortDevice(int port) {
    if (port >= 1 && port <= 4) {
        return "/dev/ttyS" + std::to_string(port - 1);
    }
    if (port >= 5 && port <= 12) {
        return "/dev/ttyUSB" + std::to_string(port - 5);
    }
    if (port >= 13 && port <= 16) {
        return "/dev/ttyACM" + std::to_string(port - 13);
    }
    return {};
}

std::string portDevice(const IniStore& ini, int port) {
    const std::string fallback = defaultPortDevice(port);
    if (fallback.empty()) {
        return {};
    }
    return ini.ReadIniString(keys::PortMap, keys::portMapKey(port), fallback);
}

} // namespace orv
