#pragma once

#include "mqtt/MqttPreferences.h"
#include "mqtt/MqttPublisher.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;

namespace orv {

class Measurement;

// The program's MQTT publishing: every live sample of the measurement goes to the broker of the
// preferences, while they are switched on.
//
// The publisher runs on the window thread, driven by socket notifiers on the client's socket and
// a timer for the keep-alive and the reconnect. libmosquitto's own thread (mosquitto_loop_start)
// would need locks around the queue and queued signals for every callback; the notifiers keep
// everything on one thread like the sensor link, at the cost of following the client's socket,
// which changes with every reconnect.
class LivePublisher final : public QObject {
    Q_OBJECT
public:
    explicit LivePublisher(QObject* parent = nullptr);
    ~LivePublisher() override;

    // Switched off (or changed), the running session says goodbye first.
    void configure(const MqttPreferences& preferences);
    // Called whenever the measurement stored its newest sample (a frame or a no-data tick).
    // `alarms`: the rules in alarm now, none without alarm rules.
    void sampleStored(const Measurement& m, double time,
                      std::optional<std::vector<std::string>> alarms = std::nullopt);
    // An alarm event's JSON for the sensor's event topic.
    void publishEvent(const std::string& serial, const std::string& json);
    // Ends the session with "offline" (at most `limit` of waiting); at the program's end.
    void finish(std::chrono::milliseconds limit = std::chrono::seconds(1));

    [[nodiscard]] MqttPublisher* publisher() const { return publisher_.get(); }

signals:
    // The broker refused the user or password; nothing more is published until the preferences
    // change.
    void refused(const QString& reason);

private:
    void followSocket();
    void dropNotifiers();
    void afterCall();

    std::unique_ptr<MqttPublisher> publisher_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    int socket_ = -1;
    QTimer timer_;
    bool refusalReported_ = false;
};

} // namespace orv
