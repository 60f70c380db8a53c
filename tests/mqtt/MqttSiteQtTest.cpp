// Two simulated sensors, each with its own recorder, publish into one broker; one subscriber sees
// both. What docs/many-sensors-one-site.md tells consumers (the payload's fields, the topics, the
// Telegraf and Home Assistant configurations) is compared with what was really published.
#include "MqttTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

namespace orv {
namespace {

using namespace std::chrono_literals;

// The member names of a flat JSON object text, in their order.
QStringList keysInOrder(const QString& json) {
    QStringList keys;
    static const QRegularExpression key(QStringLiteral(R"re("(\w+)"\s*:)re"));
    for (auto it = key.globalMatch(json); it.hasNext();) {
        keys << it.next().captured(1);
    }
    return keys;
}

std::string joined(const QStringList& list) {
    return list.join(QLatin1Char(',')).toStdString();
}

// The text of the fenced block that opens with "```kind".
QString fencedBlock(const QString& doc, const QString& kind) {
    const qsizetype start = doc.indexOf(QStringLiteral("```") + kind + QLatin1Char('\n'));
    if (start < 0) {
        return {};
    }
    const qsizetype body = doc.indexOf(QLatin1Char('\n'), start) + 1;
    return doc.mid(body, doc.indexOf(QStringLiteral("```"), body) - body);
}

QStringList captures(const QString& text, const QString& pattern) {
    QStringList found;
    const QRegularExpression re(pattern, QRegularExpression::MultilineOption);
    for (auto it = re.globalMatch(text); it.hasNext();) {
        found << it.next().captured(1);
    }
    return found;
}

// MQTT topic filter matching with "+" (one level) and "#" (the rest).
bool topicMatches(const QString& filter, const QString& topic) {
    const QStringList f = filter.split(QLatin1Char('/'));
    const QStringList t = topic.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < f.size(); ++i) {
        if (f[i] == QLatin1String("#")) {
            return true;
        }
        if (i >= t.size() || (f[i] != QLatin1String("+") && f[i] != t[i])) {
            return false;
        }
    }
    return f.size() == t.size();
}

struct Sensor {
    const char* serial;
    const char* temperature;
    double humidity;
};

TEST(MqttSite, TwoRecordersOneBrokerAndTheConsumerConfigurationOfTheDocs) {
    const Sensor sensors[] = {{"HALL0001", "21.5", 45}, {"STORE002", "18.25", 60}};
    test::Broker broker;
    test::Subscriber sub(broker);
    ASSERT_TRUE(sub.ready);
    test::TempDir dir;
    std::vector<std::unique_ptr<test::Simulator>> sims;
    std::vector<std::unique_ptr<test::Process>> recorders;
    for (const Sensor& s : sensors) {
        sims.push_back(std::make_unique<test::Simulator>(
            std::vector<std::string>{"--rate", "20", "--sn", s.serial, "--temp", s.temperature,
                                     "--rh", std::to_string(s.humidity)}));
        ASSERT_FALSE(sims.back()->address.empty());
        // The first recorder takes its options from the command line, the second from a
        // config file, as a service does.
        const std::string file = dir.file(std::string(s.serial) + ".dat").string();
        if (recorders.empty()) {
            recorders.push_back(std::make_unique<test::Process>(std::vector<std::string>{
                ORV_TOOL_PATH, "record", "--tcp", sims.back()->address, "--interval", "5", "-o",
                file, "--duration", "6", "--mqtt", broker.address()}));
        } else {
            const auto config = dir.file("store.conf");
            test::writeFile(config, "tcp = " + sims.back()->address + "\ninterval = 5\noutput = " +
                                        file + "\nduration = 6\nmqtt = " + broker.address() + "\n");
            recorders.push_back(std::make_unique<test::Process>(
                std::vector<std::string>{ORV_TOOL_PATH, "record", "--config", config.string()}));
        }
    }
    for (auto& r : recorders) {
        ASSERT_EQ(r->wait(20s), 0) << r->err();
    }
    QStringList publishedKeys;
    for (const Sensor& s : sensors) {
        SCOPED_TRACE(s.serial);
        const std::string base = std::string("visualorv/") + s.serial;
        ASSERT_TRUE(sub.waitForLast(base + "/status", "offline", 5s));
        const auto statuses = sub.of(base + "/status");
        ASSERT_EQ(statuses.size(), 2u);
        EXPECT_EQ(statuses[0].payload, "online");
        const auto states = sub.of(base + "/state");
        ASSERT_EQ(states.size(), 2u);
        for (const auto& m : states) {
            const QJsonObject j = m.json();
            EXPECT_EQ(j.value("serial").toString().toStdString(), s.serial);
            EXPECT_NEAR(j.value("temperature").toDouble(), std::stod(s.temperature), 1e-4);
            EXPECT_NEAR(j.value("humidity").toDouble(), s.humidity, 1e-4);
        }
        publishedKeys = keysInOrder(QString::fromStdString(states[0].payload));
    }
    ASSERT_EQ(publishedKeys.size(), 6);

    const QString doc = QString::fromStdString(
        test::readFile(std::string(ORV_SOURCE_DIR) + "/docs/many-sensors-one-site.md"));
    ASSERT_FALSE(doc.isEmpty());

    // The example payload and the field table name the published members, in their order.
    const QString example = fencedBlock(doc, QStringLiteral("json")).trimmed();
    ASSERT_FALSE(QJsonDocument::fromJson(example.toUtf8()).isNull()) << example.toStdString();
    EXPECT_EQ(joined(keysInOrder(example)), joined(publishedKeys));
    const QString sample = doc.mid(doc.indexOf(QStringLiteral("## The sample")));
    const QString table = sample.left(sample.indexOf(QStringLiteral("\n\n"), sample.indexOf('|')));
    EXPECT_EQ(joined(captures(table, QStringLiteral(R"(^\| `(\w+)` \|)"))), joined(publishedKeys));

    // The subscriber output shown matches what a subscriber gets.
    QStringList shownTopics;
    for (const QString& line : fencedBlock(doc, QStringLiteral("text")).split('\n')) {
        if (line.startsWith(QLatin1String("visualorv/"))) {
            const QString topic = line.section(QLatin1Char(' '), 0, 0);
            shownTopics << topic;
            EXPECT_FALSE(sub.of(topic.toStdString()).empty()) << topic.toStdString();
            if (topic.endsWith(QLatin1String("/state"))) {
                EXPECT_EQ(joined(keysInOrder(line.section(QLatin1Char(' '), 1))),
                          joined(publishedKeys));
            }
        }
    }
    EXPECT_EQ(shownTopics.size(), 4);

    // Telegraf: its subscription catches every state topic and nothing else; the topic parsing
    // takes the serial from the right level; its time and tag keys are members.
    const QString toml = fencedBlock(doc, QStringLiteral("toml"));
    const QStringList filters = captures(toml, QStringLiteral(R"re(^\s*topics = \["([^"]+)"\])re"));
    ASSERT_EQ(filters.size(), 1);
    const QStringList parsing = captures(toml, QStringLiteral(R"re(^\s*topic = "([^"]+)")re"));
    ASSERT_EQ(joined(parsing), joined(filters));
    const QStringList tagLevels =
        captures(toml, QStringLiteral(R"re(^\s*tags = "([^"]+)")re")).value(0).split('/');
    for (const auto& m : sub.messages()) {
        const QString topic = QString::fromStdString(m.topic);
        const bool isState = topic.endsWith(QLatin1String("/state"));
        EXPECT_EQ(topicMatches(filters[0], topic), isState) << m.topic;
        if (isState) {
            const QStringList levels = topic.split('/');
            ASSERT_EQ(levels.size(), tagLevels.size());
            EXPECT_EQ(levels.value(tagLevels.indexOf(QStringLiteral("serial"))).toStdString(),
                      m.json().value("serial").toString().toStdString());
        }
    }
    EXPECT_TRUE(publishedKeys.contains(
        captures(toml, QStringLiteral(R"re(^\s*json_time_key = "(\w+)")re")).value(0)));
    EXPECT_TRUE(publishedKeys.contains(
        captures(toml, QStringLiteral(R"re(^\s*tag_keys = \["(\w+)"\])re")).value(0)));

    // Home Assistant: its topics carry messages, its templates read members, its availability
    // payloads are the statuses published.
    const QString yaml = fencedBlock(doc, QStringLiteral("yaml"));
    const QStringList haTopics =
        captures(yaml, QStringLiteral(R"re((?:state|availability)_topic: "([^"]+)")re"));
    ASSERT_EQ(haTopics.size(), 4);
    for (const QString& t : haTopics) {
        EXPECT_FALSE(sub.of(t.toStdString()).empty()) << t.toStdString();
    }
    const QStringList members = captures(yaml, QStringLiteral(R"(value_json\.(\w+))"));
    ASSERT_FALSE(members.isEmpty());
    for (const QString& member : members) {
        EXPECT_TRUE(publishedKeys.contains(member)) << member.toStdString();
    }
    EXPECT_EQ(captures(yaml, QStringLiteral(R"re(payload_available: "(\w+)")re")).value(0),
              "online");
    EXPECT_EQ(captures(yaml, QStringLiteral(R"re(payload_not_available: "(\w+)")re")).value(0),
              "offline");
}

// orv-sim's humidity crosses the limit and comes back; the recorder's events file, the event
// messages, the states' alarm lists and the event section of the docs all agree.
TEST(MqttSite, AlarmEventsAndStatesFollowTheRulesAndTheDocs) {
    test::Broker broker;
    test::Subscriber sub(broker);
    ASSERT_TRUE(sub.ready);
    test::TempDir dir;
    std::string script;
    for (int i = 0; i < 4; ++i) {
        script += "20.0 50.0\n";
    }
    for (int i = 0; i < 24; ++i) {
        script += "20.0 80.0\n";
    }
    for (int i = 0; i < 200; ++i) {
        script += "20.0 50.0\n";
    }
    test::writeFile(dir.file("script.txt"), script);
    test::Simulator sim(
        {"--rate", "2", "--sn", "HALL0001", "--script", dir.file("script.txt").string()});
    ASSERT_FALSE(sim.address.empty());
    const std::string file = dir.file("hall.dat").string();
    test::Process recorder({ORV_TOOL_PATH, "record", "--tcp", sim.address, "--interval", "5", "-o",
                            file, "--duration", "20", "--alarm", "humidity>70", "--mqtt",
                            broker.address()});
    ASSERT_EQ(recorder.wait(40s), 0) << recorder.err();
    ASSERT_TRUE(sub.waitForLast("visualorv/HALL0001/status", "offline", 5s));

    const auto events = sub.of("visualorv/HALL0001/event");
    ASSERT_EQ(events.size(), 2u) << recorder.err();
    const QJsonObject start = events[0].json();
    const QJsonObject end = events[1].json();
    EXPECT_EQ(start.value("event").toString(), "start");
    EXPECT_EQ(end.value("event").toString(), "end");
    for (const QJsonObject& e : {start, end}) {
        EXPECT_EQ(e.value("rule").toString(), "humidity>70");
        EXPECT_EQ(e.value("serial").toString(), "HALL0001");
    }
    EXPECT_NEAR(start.value("value").toDouble(), 80.0, 1e-6);
    EXPECT_NEAR(end.value("value").toDouble(), 50.0, 1e-6);

    // The events file holds the same rows.
    const std::string rows = test::readFile(dir.file("hall.events.csv").string());
    const QStringList lines = QString::fromStdString(rows).trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3) << rows;
    for (int i = 0; i < 2; ++i) {
        const QJsonObject e = events[static_cast<std::size_t>(i)].json();
        const QStringList f = lines[i + 1].split(',');
        ASSERT_EQ(f.size(), 4);
        EXPECT_EQ(f[0], e.value("time").toString());
        EXPECT_EQ(f[1], e.value("rule").toString());
        EXPECT_NEAR(f[2].toDouble(), e.value("value").toDouble(), 1e-9);
        EXPECT_EQ(f[3], e.value("event").toString());
    }

    // The states name the rule while it is in alarm: on, then off again, in that order.
    QString seen;
    for (const auto& m : sub.of("visualorv/HALL0001/state")) {
        const QJsonValue alarms = m.json().value("alarms");
        ASSERT_TRUE(alarms.isArray()) << m.payload;
        const QJsonArray list = alarms.toArray();
        const QChar now = list.isEmpty() ? '0' : '1';
        if (!list.isEmpty()) {
            EXPECT_EQ(list.size(), 1);
            EXPECT_EQ(list[0].toString(), "humidity>70");
            EXPECT_NEAR(m.json().value("humidity").toDouble(), 80.0, 1e-4);
        }
        if (seen.isEmpty() || seen.back() != now) {
            seen += now;
        }
    }
    EXPECT_TRUE(seen == "010" || seen == "10") << seen.toStdString();

    // The docs: the event topic, the field table and the example name the members published.
    const QString doc = QString::fromStdString(
        test::readFile(std::string(ORV_SOURCE_DIR) + "/docs/many-sensors-one-site.md"));
    const QString publishedKeys =
        QString::fromStdString(joined(keysInOrder(QString::fromStdString(events[0].payload))));
    const QString section = doc.mid(doc.indexOf(QStringLiteral("## Alarm events")));
    ASSERT_FALSE(section.isEmpty());
    const QString table =
        section.left(section.indexOf(QStringLiteral("\n\n"), section.indexOf('|')));
    EXPECT_EQ(QString::fromStdString(joined(captures(table, QStringLiteral(R"(^\| `(\w+)` \|)")))),
              publishedKeys);
    const QString example = fencedBlock(section, QStringLiteral("json")).trimmed();
    ASSERT_FALSE(QJsonDocument::fromJson(example.toUtf8()).isNull()) << example.toStdString();
    EXPECT_EQ(QString::fromStdString(joined(keysInOrder(example))), publishedKeys);
    EXPECT_TRUE(doc.contains(QStringLiteral("| `PREFIX/SERIAL/event` |")));
    const QString stateKeys = QString::fromStdString(
        joined(keysInOrder(QString::fromStdString(sub.of("visualorv/HALL0001/state")[0].payload))));
    EXPECT_TRUE(stateKeys.endsWith(QStringLiteral("unit,alarms"))) << stateKeys.toStdString();
}

} // namespace
} // namespace orv
