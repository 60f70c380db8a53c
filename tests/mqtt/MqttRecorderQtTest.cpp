// orv-tool record --mqtt against a real Mosquitto on 127.0.0.1, with orv-sim as the sensor and
// mosquitto_sub as the consumer.
#include "MqttTestSupport.h"
#include "TimeZone.h"

#include "offline/LogTestData.h"

#include <QDateTime>
#include <QJsonArray>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>

namespace orv {
namespace {

using namespace std::chrono_literals;

// The record lines of the recorder's log: "record N 2026-12-07T14:05:00 ...", their times.
std::vector<std::string> recordTimes(const std::string& err) {
    static const std::regex line("(^|\n)record [0-9]+ ([0-9T:-]+) ");
    std::vector<std::string> times;
    for (auto it = std::sregex_iterator(err.begin(), err.end(), line); it != std::sregex_iterator();
         ++it) {
        times.push_back((*it)[2]);
    }
    return times;
}

std::vector<std::string> payloadTimes(const std::vector<test::Message>& messages) {
    std::vector<std::string> times;
    for (const auto& m : messages) {
        // Without the offset, as the recorder's lines give it.
        times.push_back(m.json().value("time").toString().left(19).toStdString());
    }
    return times;
}

std::vector<std::string> recorder(const std::string& sensor, const std::string& file,
                                  const std::string& broker, std::vector<std::string> extra = {}) {
    std::vector<std::string> argv{ORV_TOOL_PATH, "record", "--tcp", sensor,   "--interval",
                                  "5",           "-o",     file,    "--mqtt", broker};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return argv;
}

struct ValueCase {
    const char* name;
    std::vector<std::string> options;
    double temperature;
    const char* unit;
};

TEST(MqttRecorder, EveryRecordArrivesWithItsValuesTimeAndStatus) {
    // The published time is the record's slot in local time, with the offset from UTC of that
    // moment; -03:30, so a missing or wrong offset (hours or minutes) shows.
    const test::TimeZone zone("America/St_Johns");
    test::Broker broker;
    const test::Simulator sim({"--rate", "20", "--temp", "21", "--rh", "50"});
    ASSERT_FALSE(sim.address.empty());
    test::TempDir dir;
    // Temperature in the chosen unit; the dew point too. Humidity stays in % even when the file
    // records the dew point as channel 2.
    const ValueCase cases[] = {
        {"celsius", {}, 21.0, "°C"},
        {"fahrenheit-dewpoint", {"--unit", "F", "--channel2", "dewpoint"}, 69.8, "°F"},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::Subscriber sub(broker);
        ASSERT_TRUE(sub.ready);
        const std::string file = dir.file(std::string(c.name) + ".dat").string();
        auto argv = recorder(sim.address, file, broker.address(), c.options);
        argv.insert(argv.end(), {"--duration", "6"});
        test::Process tool(argv);
        ASSERT_EQ(tool.wait(20s), 0) << tool.err();
        ASSERT_TRUE(sub.waitForLast("visualorv/SIM00001/status", "offline", 5s)) << tool.err();

        const auto states = sub.of("visualorv/SIM00001/state");
        const auto times = recordTimes(tool.err());
        ASSERT_EQ(times.size(), 2u) << tool.err();
        ASSERT_EQ(states.size(), 2u) << tool.err();
        const double dewPointC = 10.15; // of 21 °C and 50 %
        const double dewPoint = c.temperature > 50 ? dewPointC * 1.8 + 32 : dewPointC;
        for (std::size_t k = 0; k < states.size(); ++k) {
            const QJsonObject j = states[k].json();
            EXPECT_EQ(j.value("serial").toString(), "SIM00001");
            EXPECT_NEAR(j.value("temperature").toDouble(), c.temperature, 1e-4);
            EXPECT_NEAR(j.value("humidity").toDouble(), 50.0, 1e-4);
            EXPECT_NEAR(j.value("dewpoint").toDouble(), dewPoint, 0.011);
            EXPECT_EQ(j.value("unit").toString(), QString::fromUtf8(c.unit));
            const QString time = j.value("time").toString();
            EXPECT_EQ(time.left(19).toStdString(), times[k]);
            const QDateTime parsed = QDateTime::fromString(time, Qt::ISODate);
            ASSERT_TRUE(parsed.isValid()) << time.toStdString();
            const QDateTime local =
                QDateTime::fromString(QString::fromStdString(times[k]), Qt::ISODate);
            EXPECT_EQ(parsed.offsetFromUtc(), local.offsetFromUtc()) << time.toStdString();
            EXPECT_EQ(parsed.toSecsSinceEpoch(), local.toSecsSinceEpoch());
        }
        // The first status may be the retained "offline" of the case before.
        const auto statuses = sub.of("visualorv/SIM00001/status");
        ASSERT_GE(statuses.size(), 2u);
        EXPECT_EQ(statuses[statuses.size() - 2].payload, "online");
        // The file holds what was published.
        const LogData log = test::loadOrFail(file);
        ASSERT_EQ(log.size(), 2);
        EXPECT_NEAR(log.value(Channel::Temperature, 0),
                    states[0].json().value("temperature").toDouble(), 1e-4);
    }
}

TEST(MqttRecorder, AKilledRecorderTurnsOfflineThroughItsLastWill) {
    test::Broker broker;
    const test::Simulator sim({"--rate", "20", "--sn", "KILL0001"});
    test::Subscriber sub(broker);
    ASSERT_TRUE(sub.ready);
    test::TempDir dir;
    test::Process tool(recorder(sim.address, dir.file("k.dat").string(), broker.address(),
                                {"--mqtt-keepalive", "5"}));
    ASSERT_TRUE(sub.waitFor("visualorv/KILL0001/state", 1, 15s)) << tool.err();
    ASSERT_EQ(sub.last("visualorv/KILL0001/status"), "online");
    tool.signal(SIGKILL);
    EXPECT_TRUE(sub.waitForLast("visualorv/KILL0001/status", "offline", 10s));
    // Retained: a consumer that comes later still learns it.
    const test::Run late =
        test::run({"mosquitto_sub", "-h", "127.0.0.1", "-p", std::to_string(broker.port), "-t",
                   "visualorv/KILL0001/status", "-C", "1", "-W", "5"});
    EXPECT_EQ(late.out, "offline\n");
}

TEST(MqttRecorder, ABrokerRestartLosesAndReordersNoRecord) {
    test::BrokerOptions options;
    options.persistent = true;
    test::Broker broker(options);
    const test::Simulator sim({"--rate", "20"});
    test::Subscriber sub(broker, "visualorv", "orv-restart-consumer");
    ASSERT_TRUE(sub.ready);
    test::TempDir dir;
    test::Process tool(recorder(sim.address, dir.file("r.dat").string(), broker.address()));
    const std::string topic = "visualorv/SIM00001/state";
    ASSERT_TRUE(sub.waitFor(topic, 1, 15s)) << tool.err();
    broker.stop();
    // Two records are taken while the broker is away.
    ASSERT_TRUE(test::waitUntil([&] { return recordTimes(tool.err()).size() >= 3; }, 15s));
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(test::waitUntil([&] { return recordTimes(tool.err()).size() >= 4; }, 15s));
    tool.signal(SIGTERM);
    ASSERT_EQ(tool.wait(10s), 0) << tool.err();
    const auto recorded = recordTimes(tool.err());
    ASSERT_TRUE(sub.waitFor(topic, recorded.size(), 15s)) << tool.err();

    // QoS 1 may repeat a message that was in flight when the link broke, never more, and the
    // order of first arrivals is the order of the records.
    const auto received = payloadTimes(sub.of(topic));
    std::vector<std::string> firsts;
    std::set<std::string> seen;
    for (const auto& t : received) {
        if (seen.insert(t).second) {
            firsts.push_back(t);
        }
    }
    EXPECT_EQ(firsts, recorded) << tool.err();
    EXPECT_LE(received.size() - firsts.size(), 1u);
    EXPECT_PRED2(test::contains, tool.err(), "connection lost");
    EXPECT_PRED2(test::contains, tool.err(), "connected again");
}

TEST(MqttRecorder, TheBrokersRefusalEndsTheRecordingWithItsReason) {
    test::BrokerOptions options;
    options.user = "recorder";
    options.password = "right horse";
    test::Broker broker(options);
    const test::Simulator sim({"--rate", "20"});
    test::TempDir dir;
    // The wrong password from a file, the right one as a service's systemd credential.
    struct Case {
        const char* name;
        bool accepted;
    };
    for (const Case c : {Case{"wrong", false}, Case{"right", true}}) {
        SCOPED_TRACE(c.name);
        auto argv = recorder(sim.address, dir.file(std::string(c.name) + ".dat").string(),
                             broker.address(), {"--mqtt-user", "recorder", "--duration", "3"});
        if (c.accepted) {
            test::writeFile(dir.file("mqtt-password"), "right horse\n");
            ::setenv("CREDENTIALS_DIRECTORY", dir.path().c_str(), 1);
        } else {
            test::writeFile(dir.file("password"), "battery staple\n");
            argv.insert(argv.end(), {"--mqtt-password-file", dir.file("password").string()});
        }
        test::Process tool(argv);
        const std::optional<int> status = tool.wait(20s);
        ::unsetenv("CREDENTIALS_DIRECTORY");
        ASSERT_TRUE(status.has_value());
        if (c.accepted) {
            EXPECT_EQ(*status, 0) << tool.err();
            EXPECT_PRED2(test::contains, tool.err(),
                         "MQTT broker " + broker.address() + ": connected");
        } else {
            EXPECT_EQ(*status, 1) << tool.err();
            EXPECT_PRED2(test::contains, tool.err(),
                         "orv-tool: the MQTT broker " + broker.address() +
                             " refused the connection: Connection Refused: not authorised.");
            // The record taken before the refusal is kept.
            EXPECT_EQ(test::loadOrFail(dir.file("wrong.dat").string()).size(), 1);
        }
    }
}

TEST(MqttRecorder, BadMqttOptionsAreRefusedBeforeAnythingStarts) {
    test::TempDir dir;
    const std::string out = dir.file("x.dat").string();
    const std::vector<std::string> base = {"record", "--tcp", "127.0.0.1:1", "--interval", "5",
                                           "-o",     out};
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"--mqtt", "127.0.0.1:0"}, 2, "--mqtt wants HOST or HOST:PORT"},
        {{"--mqtt", ":1883"}, 2, "--mqtt wants HOST or HOST:PORT"},
        {{"--mqtt", "h", "--mqtt-prefix", "a/+/b"}, 2, "--mqtt-prefix wants topic levels"},
        {{"--mqtt", "h", "--mqtt-keepalive", "4"}, 2, "--mqtt-keepalive wants"},
        {{"--mqtt-user", "u"}, 2, "the --mqtt-... options need --mqtt HOST[:PORT]"},
        {{"--mqtt", "h", "--mqtt-user", "u", "--mqtt-password-file", out + ".none"},
         1,
         "cannot read the password file"},
        {{"--mqtt", "h", "--mqtt-colour", "red"}, 2, "unknown argument '--mqtt-colour'"},
    };
    for (const Case& c : cases) {
        auto args = base;
        args.insert(args.end(), c.args.begin(), c.args.end());
        const test::Run r = test::runTool(args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_PRED2(test::contains, r.err, c.message);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

} // namespace
} // namespace orv
