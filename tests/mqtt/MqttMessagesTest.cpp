// Topics, broker addresses and the times of samples.
#include "mqtt/MqttMessages.h"

#include "core/DayNumber.h"
#include "TimeZone.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(MqttMessages, SerialTextsBecomeOneSafeTopicLevel) {
    const struct {
        std::string serial;
        std::string level;
    } cases[] = {
        {"SIM00001", "SIM00001"},
        {"ab-c_d.9", "ab-c_d.9"},
        {"a/b", "a_b"}, // would open a level
        {"+#", "__"},   // wildcards in a topic name are a protocol error
        {"S/N 12 ", "S_N_12_"},
        {"\xB0X", "_X"}, // an 8-bit character from the line is no valid UTF-8
        {"", "unnamed"}, // short frames carry no serial number
    };
    for (const auto& c : cases) {
        EXPECT_EQ(topicLevel(c.serial), c.level) << c.serial;
    }
    const SensorTopics t = topicsFor("site/hall", "a/b");
    EXPECT_EQ(t.state, "site/hall/a_b/state");
    EXPECT_EQ(t.status, "site/hall/a_b/status");
    EXPECT_EQ(t.event, "site/hall/a_b/event");
}

TEST(MqttMessages, BrokerAddressesAndPrefixes) {
    const struct {
        const char* text;
        bool valid;
        const char* host;
        int port;
    } addresses[] = {
        {"broker", true, "broker", 0},
        {"127.0.0.1:1884", true, "127.0.0.1", 1884},
        {"[::1]:8883", true, "::1", 8883},
        {"[::1]", true, "::1", 0},
        {"::1", false, "", 0}, // ambiguous without brackets
        {"broker:0", false, "", 0},
        {"broker:65536", false, "", 0},
        {"broker:", false, "", 0},
        {"broker:1x", false, "", 0},
        {":1883", false, "", 0},
        {"", false, "", 0},
    };
    for (const auto& a : addresses) {
        const auto parsed = parseBrokerAddress(a.text);
        ASSERT_EQ(parsed.has_value(), a.valid) << a.text;
        if (parsed) {
            EXPECT_EQ(parsed->host, a.host);
            EXPECT_EQ(parsed->port, a.port);
        }
    }
    for (const char* good : {"visualorv", "site-a/hall 2", "a/b/c"}) {
        EXPECT_TRUE(validTopicPrefix(good)) << good;
    }
    for (const char* bad : {"", "/a", "a/", "a//b", "a/+", "#", "a\tb"}) {
        EXPECT_FALSE(validTopicPrefix(bad)) << bad;
    }
}

TEST(MqttMessages, TimesCarryTheOffsetInForceAtTheSample) {
    const struct {
        const char* zone;
        CivilTime local;
        const char* text;
    } cases[] = {
        {"Europe/Berlin", {2026, 12, 7, 14, 5, 0}, "2026-12-07T14:05:00+01:00"},
        {"Europe/Berlin", {2026, 7, 1, 0, 0, 59}, "2026-07-01T00:00:59+02:00"},
        {"America/St_Johns", {2026, 1, 31, 23, 59, 0}, "2026-01-31T23:59:00-03:30"},
        {"UTC", {1999, 12, 31, 12, 0, 0}, "1999-12-31T12:00:00+00:00"},
    };
    for (const auto& c : cases) {
        const test::TimeZone zone(c.zone);
        EXPECT_EQ(isoLocalTime(fromCivil(c.local)), c.text) << c.zone;
    }
}

} // namespace
} // namespace orv
