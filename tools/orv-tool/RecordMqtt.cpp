#include "RecordMqtt.h"

#include "CommandLine.h"

#include "mqtt/MqttMessages.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace orv::tool {

const char* const kRecordMqttUsage =
    "Publishing every record to an MQTT broker:\n"
    "  --mqtt HOST[:PORT]     the broker (port 1883, or 8883 with --mqtt-cafile); each record\n"
    "                         goes to PREFIX/SERIAL/state as JSON (QoS 1), and the retained\n"
    "                         PREFIX/SERIAL/status is online, or offline after the end or\n"
    "                         when the recorder is lost. Up to 10000 records wait while the\n"
    "                         broker is away; beyond that the oldest are dropped.\n"
    "                         With --alarm, every alarm start and end also goes to\n"
    "                         PREFIX/SERIAL/event, and each record names the rules in alarm.\n"
    "  --mqtt-prefix P        first topic levels (default visualorv)\n"
    "  --mqtt-user NAME       user name at the broker; the password comes from the file given\n"
    "  --mqtt-password-file F with --mqtt-password-file (its first line), else from the\n"
    "                         systemd credential mqtt-password, else from the environment\n"
    "                         variable ORV_MQTT_PASSWORD\n"
    "  --mqtt-cafile FILE     TLS, with the broker's certificate checked against this CA file\n"
    "  --mqtt-id ID           the client id (default: a random one)\n"
    "  --mqtt-keepalive S     seconds between keep-alive pings, 5 to 3600 (default 60); a lost\n"
    "                         recorder shows as offline within about 1.5 times this\n"
    "A broker that refuses the user or password ends the recording with exit status 1.\n";

namespace {

std::string firstLineOf(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) {
        if (in.eof() && !in.bad()) {
            failure("the password file " + path + " is empty");
        }
        failure("cannot read the password file " + path);
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

} // namespace

bool applyMqttOption(RecordMqttOptions& o, const std::string& option,
                     const std::function<std::string()>& value) {
    if (!option.starts_with("--mqtt")) {
        return false;
    }
    if (option == "--mqtt") {
        const std::string v = value();
        o.broker = parseBrokerAddress(v);
        if (!o.broker) {
            usageError("--mqtt wants HOST or HOST:PORT (port 1 to 65535), not '" + v + "'");
        }
    } else if (option == "--mqtt-prefix") {
        const std::string v = value();
        if (!validTopicPrefix(v)) {
            usageError("--mqtt-prefix wants topic levels like visualorv or site/hall-2, "
                       "without +, # or empty levels, not '" +
                       v + "'");
        }
        o.settings.prefix = v;
    } else if (option == "--mqtt-user") {
        o.settings.user = value();
    } else if (option == "--mqtt-password-file") {
        o.passwordFile = value();
    } else if (option == "--mqtt-cafile") {
        o.settings.caFile = value();
    } else if (option == "--mqtt-id") {
        o.settings.clientId = value();
    } else if (option == "--mqtt-keepalive") {
        const std::string v = value();
        const std::uint64_t k = parseCount(option, v, 5);
        if (k > 3600) {
            usageError("--mqtt-keepalive wants seconds from 5 to 3600, not '" + v + "'");
        }
        o.settings.keepAliveSeconds = static_cast<int>(k);
    } else {
        return false;
    }
    o.given = true;
    return true;
}

std::unique_ptr<RecordMqtt> RecordMqtt::from(const RecordMqttOptions& o) {
    if (!o.broker) {
        if (o.given) {
            usageError("the --mqtt-... options need --mqtt HOST[:PORT]");
        }
        return nullptr;
    }
    MqttSettings s = o.settings;
    s.host = o.broker->host;
    s.port = o.broker->port != 0 ? o.broker->port
             : s.caFile.empty()  ? kMqttDefaultPort
                                 : kMqttTlsPort;
    // A service under systemd gets its password as a credential (LoadCredential=mqtt-password:...),
    // readable by its dynamic user alone.
    const char* credentials = std::getenv("CREDENTIALS_DIRECTORY");
    const std::string credential =
        credentials ? std::string(credentials) + "/mqtt-password" : std::string();
    if (!o.passwordFile.empty()) {
        s.password = firstLineOf(o.passwordFile);
    } else if (!credential.empty() && ::access(credential.c_str(), F_OK) == 0) {
        s.password = firstLineOf(credential);
    } else if (const char* env = std::getenv("ORV_MQTT_PASSWORD")) {
        s.password = env;
    }
    if (!s.password.empty() && s.user.empty()) {
        usageError("a password for the MQTT broker needs --mqtt-user");
    }
    return std::make_unique<RecordMqtt>(std::move(s));
}

RecordMqtt::RecordMqtt(MqttSettings settings)
    : publisher_(std::move(settings), [](const std::string& line) {
          std::fprintf(stderr, "%s\n", line.c_str());
          std::fflush(stderr);
      }) {}

void RecordMqtt::publish(const Measurement& m, double recordTime,
                         std::optional<std::vector<std::string>> alarms) {
    PublishedSample sample = publishedSampleOf(m, recordTime);
    sample.alarms = std::move(alarms);
    publisher_.publishSample(sample);
}

void RecordMqtt::publishEvent(const std::string& serial, const AlarmEvent& e) {
    publisher_.publishEvent(serial, eventPayload({e.time, serial, e.ruleText, e.value, e.start}));
}

std::optional<std::string> RecordMqtt::serve() {
    publisher_.pump(std::chrono::milliseconds(0));
    return publisher_.refusal();
}

void RecordMqtt::finish() {
    publisher_.finish(std::chrono::seconds(3));
}

} // namespace orv::tool
