// The program's side of publishing: the publisher on the Qt event loop, its queue bound, and the
// Preferences page.
#include "MqttTestSupport.h"

#include "core/CoreFakes.h"
#include "mqtt/dlgMqtt.h"
#include "mqtt/LivePublisher.h"
#include "state/IniStore.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"
#include "state/StringTable.h"
#include "support/QtWait.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orv {
namespace {

using namespace std::chrono_literals;

// Publishing switched on, to the test's broker on loopback under `prefix`.
MqttPreferences brokerPreferences(const test::Broker& broker, const std::string& prefix) {
    MqttPreferences p;
    p.enabled = true;
    p.settings.host = "127.0.0.1";
    p.settings.port = broker.port;
    p.settings.prefix = prefix;
    return p;
}

TEST(MqttProgram, LiveSamplesGoOutThroughTheEventLoopAndOfflineWhenSwitchedOff) {
    test::Broker broker;
    test::Subscriber sub(broker, "lab/desk");
    ASSERT_TRUE(sub.ready);
    test::MeasurementRig rig;
    LivePublisher live;
    MqttPreferences p = brokerPreferences(broker, "lab/desk");
    live.configure(p);

    rig.m.ParseFrame(test::fFrame("+023.45", "047.50", "DESK/7 #"));
    live.sampleStored(rig.m, rig.clock.now());
    // A sensor that falls silent: the emptied row goes out as nulls.
    for (int tick = 0; tick < 3; ++tick) {
        rig.m.tmrTimeout_Timer();
    }
    live.sampleStored(rig.m, rig.clock.now());

    const std::string base = "lab/desk/DESK_7__";
    ASSERT_TRUE(test::waitFor([&] { return sub.of(base + "/state").size() >= 2; }, 10000));
    const auto states = sub.of(base + "/state");
    const QJsonObject good = states[0].json();
    EXPECT_EQ(good.value("serial").toString(), "DESK/7 #");
    EXPECT_NEAR(good.value("temperature").toDouble(), 23.45, 1e-4);
    EXPECT_NEAR(good.value("humidity").toDouble(), 47.5, 1e-4);
    EXPECT_TRUE(good.value("dewpoint").isDouble());
    const QJsonObject empty = states[1].json();
    for (const char* field : {"temperature", "humidity", "dewpoint"}) {
        EXPECT_TRUE(empty.value(field).isNull()) << field;
    }
    EXPECT_EQ(sub.last(base + "/status"), "online");

    p.enabled = false;
    live.configure(p);
    EXPECT_EQ(live.publisher(), nullptr);
    EXPECT_TRUE(sub.waitForLast(base + "/status", "offline", 5s));
}

TEST(MqttProgram, AlarmEventsOpenTheSessionAndGoOutInOrderWithTheStates) {
    test::Broker broker;
    test::Subscriber sub(broker, "lab");
    ASSERT_TRUE(sub.ready);
    test::MeasurementRig rig;
    LivePublisher live;
    live.configure(brokerPreferences(broker, "lab"));

    // An alarm may start before any sample has gone out: its event opens the session.
    rig.m.ParseFrame(test::fFrame("+023.45", "075.00", "DESK7"));
    const std::string serial = rig.m.onlineData().labels().serial;
    const std::string base = "lab/" + topicLevel(serial);
    live.publishEvent(serial, eventPayload({rig.clock.now(), serial, "humidity>70", 75.0, true}));
    live.sampleStored(rig.m, rig.clock.now(), std::vector<std::string>{"humidity>70"});
    live.publishEvent(serial, eventPayload({rig.clock.now(), serial, "humidity>70", {}, false}));
    live.sampleStored(rig.m, rig.clock.now(), std::vector<std::string>{});
    live.sampleStored(rig.m, rig.clock.now()); // no rules

    ASSERT_TRUE(test::waitFor([&] { return sub.of(base + "/state").size() >= 3; }, 10000));
    std::vector<std::string> order;
    for (const auto& m : sub.messages()) {
        if (m.topic.starts_with(base + "/") && m.topic != base + "/status") {
            order.push_back(m.topic.substr(m.topic.rfind('/') + 1) + ":" + m.payload);
        }
    }
    ASSERT_EQ(order.size(), 5u);
    EXPECT_TRUE(order[0].starts_with("event:")) << order[0];
    EXPECT_NE(order[0].find(R"("value":75,"event":"start"})"), std::string::npos) << order[0];
    EXPECT_NE(order[1].find(R"("alarms":["humidity>70"])"), std::string::npos) << order[1];
    EXPECT_NE(order[2].find(R"("value":null,"event":"end"})"), std::string::npos) << order[2];
    EXPECT_NE(order[3].find(R"("alarms":[])"), std::string::npos) << order[3];
    EXPECT_EQ(order[4].find("alarms"), std::string::npos) << order[4];
}

TEST(MqttProgram, TheQueueKeepsTheNewestSamplesWhileTheBrokerIsAway) {
    const int port = test::freeLoopbackPort(); // nobody listens there yet
    MqttSettings s;
    s.host = "127.0.0.1";
    s.port = port;
    s.queueLimit = 5;
    std::vector<std::string> log;
    MqttPublisher publisher(s, [&](const std::string& line) { log.push_back(line); });
    PublishedSample sample;
    sample.serial = "Q1";
    sample.unit = "°C";
    for (int k = 0; k < 8; ++k) {
        sample.time = 46000.0 + k / 86400.0;
        sample.temperature = static_cast<float>(20 + k);
        publisher.publishSample(sample);
        publisher.pump(20ms);
    }
    EXPECT_EQ(publisher.queued(), 5u);
    EXPECT_EQ(publisher.dropped(), 3u);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return test::contains(l, "dropped"); }),
              1);

    test::BrokerOptions options;
    options.port = port;
    test::Broker broker(options);
    test::Subscriber sub(broker);
    ASSERT_TRUE(sub.ready);
    ASSERT_TRUE(test::waitUntil(
        [&] {
            publisher.pump(50ms);
            return publisher.connected() && publisher.queued() == 0 && publisher.inFlight() == 0;
        },
        20s));
    ASSERT_TRUE(sub.waitFor("visualorv/Q1/state", 5, 5s));
    std::vector<double> temperatures;
    for (const auto& m : sub.of("visualorv/Q1/state")) {
        temperatures.push_back(m.json().value("temperature").toDouble());
    }
    EXPECT_EQ(temperatures, (std::vector<double>{23, 24, 25, 26, 27}));
}

struct PreferencesRig {
    PreferencesRig() : ini(std::filesystem::path(dir.path().toStdString()) / "VisualORV.Ini") {
        strings.selectLanguage("eng");
    }
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/orv-test-XXXXXX")};
    IniStore ini;
    StringTable strings;
    EnglishFormat locale;
    ManualClock clock;
    ModMain app{ini, strings, locale, clock};
    test::ScriptedPrompts prompts;
};

TEST(MqttProgram, ThePreferencesPageShowsAndStoresTheSettings) {
    PreferencesRig rig;
    MqttPreferences stored;
    stored.settings.host = "broker.lan";
    stored.settings.port = 8883;
    stored.settings.prefix = "site/hall";
    stored.settings.user = "hall";
    stored.settings.password = "s3cret";
    stored.settings.caFile = "/etc/ssl/site-ca.pem";
    writeMqttPreferences(rig.ini, stored);

    dlgMqtt dialog(rig.app, rig.prompts);
    EXPECT_FALSE(dialog.chkEnabled()->isChecked()); // off until switched on
    EXPECT_EQ(dialog.txtHost()->text(), "broker.lan");
    EXPECT_EQ(dialog.txtPort()->value(), 8883);
    EXPECT_EQ(dialog.txtPassword()->echoMode(), QLineEdit::Password);
    dialog.chkEnabled()->setChecked(true);
    dialog.txtPrefix()->setText("site/hall-2");
    dialog.show();
    const QString shots = QStringLiteral(ORV_BINARY_DIR "/screenshots");
    QDir().mkpath(shots);
    EXPECT_TRUE(dialog.grab().save(shots + "/mqtt-preferences.png"));
    dialog.accept();
    EXPECT_TRUE(rig.prompts.asked.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    const MqttPreferences read = readMqttPreferences(rig.ini);
    EXPECT_TRUE(read.enabled);
    EXPECT_EQ(read.settings.prefix, "site/hall-2");
    EXPECT_EQ(read.settings.password, "s3cret");
    EXPECT_EQ(read.settings.caFile, "/etc/ssl/site-ca.pem");
}

TEST(MqttProgram, UnusablePreferencesAreRefusedAndNotStored) {
    struct Case {
        const char* host;
        const char* prefix;
        int messageId;
    };
    for (const Case& c : {Case{"", "visualorv", 396}, Case{"broker.lan", "a//b", 397},
                          Case{"broker.lan", "hall/#", 397}}) {
        SCOPED_TRACE(std::string(c.host) + " " + c.prefix);
        PreferencesRig rig;
        dlgMqtt dialog(rig.app, rig.prompts);
        dialog.chkEnabled()->setChecked(true);
        dialog.txtHost()->setText(c.host);
        dialog.txtPrefix()->setText(c.prefix);
        dialog.accept();
        ASSERT_EQ(rig.prompts.asked.size(), 1u);
        EXPECT_EQ(rig.prompts.asked[0].text, rig.app.text(c.messageId));
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(readMqttPreferences(rig.ini).enabled);
    }
}

} // namespace
} // namespace orv
