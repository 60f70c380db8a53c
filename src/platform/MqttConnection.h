#pragma once

#include <functional>
#include <string>

struct mosquitto;

namespace orv {

// One MQTT client session over libmosquitto, driven from the caller's own event loop: the caller
// waits on socket() (for writing too while wantsWrite()), then calls readable(), writable() and,
// at least once a second, housekeeping() for the keep-alive. Nothing here starts a thread, so the
// callbacks below run inside those calls, on the caller's thread.
class MqttConnection {
public:
    struct Options {
        std::string host;
        int port = 1883;
        std::string clientId; // empty: the library makes one up
        std::string user;     // empty: no user name and password
        std::string password;
        std::string caFile; // not empty: TLS, the broker's certificate checked against it
        int keepAliveSeconds = 60;
        std::string willTopic; // retained, QoS 1, when the broker loses us without a goodbye
        std::string willPayload;
    };

    // `connected(0)` once the broker has accepted the session, `connected(code)` with the
    // CONNACK code when it refused it; `disconnected()` when the link went away;
    // `delivered(id)` when a QoS 1 message was acknowledged.
    struct Events {
        std::function<void(int code)> connected;
        std::function<void()> disconnected;
        std::function<void(int id)> delivered;
    };

    // Throws std::runtime_error when libmosquitto refuses an option (e.g. an unreadable CA file).
    MqttConnection(const Options& options, Events events);
    ~MqttConnection();
    MqttConnection(const MqttConnection&) = delete;
    MqttConnection& operator=(const MqttConnection&) = delete;

    // Starts a connection attempt without blocking on it (a host name is still looked up
    // synchronously). False, with lastError(), when it fails at once.
    bool connect();
    // The socket to wait on, -1 while there is none.
    [[nodiscard]] int socket() const;
    [[nodiscard]] bool wantsWrite() const;
    // False when the link is lost (disconnected() has been called).
    bool readable();
    bool writable();
    void housekeeping();

    // Hands a message to the library; its id, or -1 with lastError().
    int publish(const std::string& topic, const std::string& payload, int qos, bool retain);
    // A clean goodbye: the broker then does not publish the will.
    void disconnect();

    [[nodiscard]] const std::string& lastError() const { return lastError_; }
    // The text libmosquitto gives for a CONNACK code, e.g. "Connection Refused: not authorised.".
    [[nodiscard]] static std::string refusalText(int code);

private:
    bool check(int rc);
    void lost();

    Options options_;
    Events events_;
    mosquitto* handle_ = nullptr;
    bool up_ = false; // from a started connect until the link is lost or closed
    std::string lastError_;
};

} // namespace orv
