#pragma once

#include "alarms/AlarmEvaluator.h"
#include "mqtt/MqttPublisher.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
class Measurement;
}

namespace orv::tool {

extern const char* const kRecordMqttUsage;

// The --mqtt options of orv-tool record, as given (on the command line or in its config file).
struct RecordMqttOptions {
    std::optional<BrokerAddress> broker;
    MqttSettings settings; // all but host, port and password
    std::string passwordFile;
    bool given = false; // any --mqtt option
};

// Takes one --mqtt option into `o`; false for a name that is none, a usage error for a bad value.
bool applyMqttOption(RecordMqttOptions& o, const std::string& option,
                     const std::function<std::string()>& value);

// orv-tool record's publishing of its records to an MQTT broker.
class RecordMqtt {
public:
    // Nullptr without --mqtt. Options without --mqtt are a usage error, an unreadable password
    // file a failure.
    static std::unique_ptr<RecordMqtt> from(const RecordMqttOptions& o);

    explicit RecordMqtt(MqttSettings settings);

    // The record just taken, stamped with its slot time; `alarms`: the rules in alarm now, none
    // without alarm rules.
    void publish(const Measurement& m, double recordTime,
                 std::optional<std::vector<std::string>> alarms = std::nullopt);
    // An alarm start or end of the sensor with this serial number.
    void publishEvent(const std::string& serial, const AlarmEvent& e);
    // Called from every turn of the recorder's loop (at least every 100 ms, the logger's tick, so
    // the broker's socket needs no place in the loop's own wait). The broker's refusal, once it
    // has refused the session.
    [[nodiscard]] std::optional<std::string> serve();
    // What waits and "offline", with a few seconds' grace.
    void finish();

private:
    MqttPublisher publisher_;
};

} // namespace orv::tool
