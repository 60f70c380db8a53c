#include "mqtt/MqttPreferences.h"

#include "state/SettingsKeys.h"

namespace orv {

MqttPreferences readMqttPreferences(const IniStore& ini) {
    MqttPreferences p;
    p.enabled = readSetting(ini, keys::MqttEnabled);
    MqttSettings& s = p.settings;
    s.host = readSetting(ini, keys::MqttHost);
    const std::int32_t port = readSetting(ini, keys::MqttPort);
    s.port = port >= 1 && port <= 65535 ? port : kMqttDefaultPort;
    s.prefix = readSetting(ini, keys::MqttPrefix);
    s.user = readSetting(ini, keys::MqttUser);
    s.password = readSetting(ini, keys::MqttPassword);
    s.caFile = readSetting(ini, keys::MqttCaFile);
    return p;
}

void writeMqttPreferences(IniStore& ini, const MqttPreferences& p) {
    const MqttSettings& s = p.settings;
    writeSetting(ini, keys::MqttEnabled, p.enabled);
    writeSetting(ini, keys::MqttHost, s.host);
    writeSetting(ini, keys::MqttPort, s.port);
    writeSetting(ini, keys::MqttPrefix, s.prefix);
    writeSetting(ini, keys::MqttUser, s.user);
    writeSetting(ini, keys::MqttPassword, s.password);
    writeSetting(ini, keys::MqttCaFile, s.caFile);
}

std::optional<int> mqttPreferencesProblem(const MqttPreferences& p) {
    if (!p.enabled) {
        return std::nullopt;
    }
    if (p.settings.host.empty()) {
        return kMqttNoHostText;
    }
    if (!validTopicPrefix(p.settings.prefix)) {
        return kMqttBadPrefixText;
    }
    return std::nullopt;
}

} // namespace orv
