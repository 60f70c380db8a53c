#include "mqtt/MqttMessages.h"

#include "core/DayNumber.h"
#include "core/Json.h"
#include "core/Measurement.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace orv {

std::optional<BrokerAddress> parseBrokerAddress(std::string_view text) {
    BrokerAddress address;
    std::string_view host = text;
    std::optional<std::string_view> port;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (!rest.starts_with(':')) {
                return std::nullopt;
            }
            port = rest.substr(1);
        }
    } else if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        if (text.find(':') != colon) {
            return std::nullopt; // a bare IPv6 address needs its brackets
        }
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (host.empty()) {
        return std::nullopt;
    }
    address.host = std::string(host);
    if (port) {
        int value = 0;
        const auto [ptr, ec] = std::from_chars(port->data(), port->data() + port->size(), value);
        if (port->empty() || ec != std::errc{} || ptr != port->data() + port->size() || value < 1 ||
            value > 65535) {
            return std::nullopt;
        }
        address.port = value;
    }
    return address;
}

bool validTopicPrefix(std::string_view prefix) {
    if (prefix.empty() || prefix.front() == '/' || prefix.back() == '/' ||
        prefix.find("//") != std::string_view::npos) {
        return false;
    }
    for (const char c : prefix) {
        if (c == '+' || c == '#' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

std::string topicLevel(std::string_view serial) {
    std::string level;
    for (const char c : serial) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        level += keep ? c : '_';
    }
    return level.empty() ? std::string("unnamed") : level;
}

SensorTopics topicsFor(std::string_view prefix, std::string_view serial) {
    const std::string base = std::string(prefix) + "/" + topicLevel(serial) + "/";
    return {base + "state", base + "status", base + "event"};
}

PublishedSample publishedSampleOf(const Measurement& m, double time) {
    const Sample& newest = m.onlineData().newest();
    const SampleLabels& labels = m.onlineData().labels();
    PublishedSample s;
    s.time = time;
    s.serial = labels.serial;
    s.unit = labels.tempUnit.starts_with(' ') ? labels.tempUnit.substr(1) : labels.tempUnit;
    if (!newest.temperature && !newest.channel2) {
        return s;
    }
    s.temperature = newest.temperature;
    s.humidity = m.values().humidity;
    if (m.values().dewPoint) {
        // Two decimals, like every other published value; the double carries noise beyond.
        s.dewPoint = static_cast<float>(std::nearbyint(*m.values().dewPoint * 100.0) / 100.0);
    }
    return s;
}

std::string samplePayload(const PublishedSample& sample) {
    JsonObject json;
    json.text("time", isoLocalTime(sample.time))
        .text("serial", sample.serial)
        .number("temperature", sample.temperature)
        .number("humidity", sample.humidity)
        .number("dewpoint", sample.dewPoint)
        .text("unit", sample.unit);
    if (sample.alarms) {
        json.texts("alarms", *sample.alarms);
    }
    return json.str();
}

std::string eventPayload(const PublishedAlarmEvent& event) {
    std::optional<double> value;
    if (event.value && std::isfinite(*event.value)) {
        value = std::nearbyint(*event.value * 100.0) / 100.0;
    }
    JsonObject json;
    json.text("time", isoLocalTime(event.time))
        .text("serial", event.serial)
        .text("rule", event.rule)
        .number("value", value)
        .text("event", event.start ? "start" : "end");
    return json.str();
}

} // namespace orv
