#pragma once

#include "core/IsoTime.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class Measurement;

inline constexpr int kMqttDefaultPort = 1883;
inline constexpr int kMqttTlsPort = 8883;
inline constexpr std::string_view kMqttDefaultPrefix = "visualorv";

// "host", "host:port" or "[v6-address]:port"; nullopt for an empty host or a port outside
// 1..65535.
struct BrokerAddress {
    std::string host;
    int port = 0; // 0: not given; 1883, or 8883 with TLS
};
[[nodiscard]] std::optional<BrokerAddress> parseBrokerAddress(std::string_view text);

struct MqttSettings {
    std::string host;
    int port = kMqttDefaultPort;
    std::string prefix = std::string(kMqttDefaultPrefix);
    std::string user;
    std::string password;
    std::string caFile;
    std::string clientId;
    int keepAliveSeconds = 60;
    // Samples kept while the broker cannot be reached; beyond, the oldest are dropped.
    std::size_t queueLimit = 10000;
};

// A topic prefix is one or more levels separated by "/": not empty, no empty level, no
// wildcard ("+", "#") and no control character.
[[nodiscard]] bool validTopicPrefix(std::string_view prefix);

// The sensor's serial text as one topic level: letters, digits, "-", "_" and "." stay, every
// other byte (wildcards, "/", blanks, 8-bit characters) becomes "_"; a sensor without a serial
// number (short frames) is "unnamed".
[[nodiscard]] std::string topicLevel(std::string_view serial);

struct SensorTopics {
    std::string state;  // PREFIX/SERIAL/state: one JSON object per sample, QoS 1
    std::string status; // PREFIX/SERIAL/status: "online" / "offline", retained
    std::string event;  // PREFIX/SERIAL/event: alarm events
};
[[nodiscard]] SensorTopics topicsFor(std::string_view prefix, std::string_view serial);

inline constexpr std::string_view kStatusOnline = "online";
inline constexpr std::string_view kStatusOffline = "offline";

// One sample as it is published. Empty values are sent as null.
struct PublishedSample {
    double time = 0.0; // local day number
    std::string serial;
    std::string unit; // temperature and dew point unit: "°C", "°F" or "K"
    std::optional<float> temperature;
    std::optional<float> humidity; // relative humidity in %
    std::optional<float> dewPoint;
    // The rules in alarm at this sample, as written; none at all without alarm rules.
    std::optional<std::vector<std::string>> alarms;
};

// The newest sample of the live measurement at `time`. A row the no-data supervision emptied
// gives no values at all, although the measurement still remembers the last frame's.
[[nodiscard]] PublishedSample publishedSampleOf(const Measurement& m, double time);

// {"time":...,"serial":...,"temperature":...,"humidity":...,"dewpoint":...,"unit":...}, and
// "alarms":[...] when alarm rules are set.
[[nodiscard]] std::string samplePayload(const PublishedSample& sample);

// One alarm start or end, with the content of its row in the events file.
struct PublishedAlarmEvent {
    double time = 0.0; // local day number
    std::string serial;
    std::string rule;            // as written
    std::optional<double> value; // in the rule's unit; none for silence
    bool start = true;
};

// {"time":...,"serial":...,"rule":...,"value":...,"event":"start"|"end"}; the value with two
// decimals like the events file, null for silence.
[[nodiscard]] std::string eventPayload(const PublishedAlarmEvent& event);

} // namespace orv
