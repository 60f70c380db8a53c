#pragma once

#include "mqtt/MqttMessages.h"

namespace orv {

class IniStore;

// The program's MQTT settings, section [Mqtt] of the settings file.
struct MqttPreferences {
    bool enabled = false;
    MqttSettings settings;
};

[[nodiscard]] MqttPreferences readMqttPreferences(const IniStore& ini);
void writeMqttPreferences(IniStore& ini, const MqttPreferences& p);

// What is wrong with switched-on preferences, as a string-table id: no broker, or a prefix that
// is no topic; nullopt when they can be used (switched off, anything goes).
[[nodiscard]] std::optional<int> mqttPreferencesProblem(const MqttPreferences& p);

inline constexpr int kMqttNoHostText = 396;
inline constexpr int kMqttBadPrefixText = 397;

} // namespace orv
