#pragma once

#include "mqtt/MqttMessages.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace orv {

class MqttConnection;

// Publishes the samples of one sensor to an MQTT broker: PREFIX/SERIAL/state per sample (QoS 1),
// a retained PREFIX/SERIAL/status of "online" while connected and "offline" as the last will
// and after a clean end.
//
// The session opens with the first sample, when the serial number (part of every topic and of the
// last will) is known. Samples wait in a bounded queue and go out in order, at most a window of
// 20 unacknowledged at a time; a lost broker is tried again after 1, 2, 4 ... up to 30 seconds,
// and the queue is sent when it is back. A broker that refuses the user or password is not
// tried again: refusal() says why.
//
// Single-threaded: the owner's event loop waits on socket() (and for writing while
// wantsWrite()), calls readable()/writable() and calls service() at least once a second.
class MqttPublisher {
public:
    using Clock = std::chrono::steady_clock;
    using Log = std::function<void(const std::string&)>;

    MqttPublisher(MqttSettings settings, Log log);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    void publishSample(const PublishedSample& sample);
    // An alarm event (a JSON object) for PREFIX/SERIAL/event, QoS 1, not retained; queued with
    // the samples, in order.
    void publishEvent(const std::string& serial, const std::string& json);

    [[nodiscard]] int socket() const;
    [[nodiscard]] bool wantsWrite() const;
    void readable();
    void writable();
    // Keep-alive, the reconnect when its time has come, and sending what waits.
    void service(Clock::time_point now = Clock::now());
    // Waits up to `timeout` on the broker's socket and handles what it has; then service().
    void pump(std::chrono::milliseconds timeout);

    // Sends what waits and "offline", then says goodbye; gives up after `limit`. Nothing is
    // published afterwards.
    void finish(std::chrono::milliseconds limit);

    [[nodiscard]] bool connected() const { return connected_; }
    [[nodiscard]] std::size_t queued() const { return queue_.size(); }
    [[nodiscard]] std::size_t inFlight() const { return inFlight_.size(); }
    [[nodiscard]] std::uint64_t dropped() const { return dropped_; }
    [[nodiscard]] const std::optional<std::string>& refusal() const { return refusal_; }
    [[nodiscard]] const MqttSettings& settings() const { return settings_; }
    [[nodiscard]] std::string brokerName() const;

    static constexpr std::size_t kWindow = 20;
    static constexpr std::chrono::seconds kFirstRetry{1};
    static constexpr std::chrono::seconds kLongestRetry{30};

private:
    struct Message {
        std::string topic;
        std::string payload;
        bool retain = false;
    };
    void open(const std::string& serial);
    // Opens the session of this sensor, ending another sensor's; false once finished or refused.
    bool sessionFor(const std::string& serial);
    void enqueue(Message m);
    void send();
    void onConnected(int code);
    void onLost();
    void scheduleRetry(Clock::time_point now);

    MqttSettings settings_;
    Log log_;
    std::unique_ptr<MqttConnection> connection_;
    std::string serial_;
    SensorTopics topics_;
    std::deque<Message> queue_;
    std::set<int> inFlight_;
    bool connected_ = false;
    bool announced_ = false; // "online" is sent first after every connect
    bool everConnected_ = false;
    bool lossReported_ = false;
    bool finished_ = false;
    std::optional<Clock::time_point> retryAt_;
    Clock::duration retryDelay_ = kFirstRetry;
    std::uint64_t dropped_ = 0;
    bool dropReported_ = false;
    std::optional<std::string> refusal_;
};

} // namespace orv
