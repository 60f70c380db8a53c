#include "platform/MqttConnection.h"

#include <mosquitto.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace orv {

namespace {

// libmosquitto wants one init per process before the first handle; it is never undone, as
// handles may live until the end of main().
void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

MqttConnection& self(void* obj) {
    return *static_cast<MqttConnection*>(obj);
}

} // namespace

MqttConnection::MqttConnection(const Options& options, Events events)
    : options_(options), events_(std::move(events)) {
    initLibrary();
    const bool ownId = !options_.clientId.empty();
    handle_ = mosquitto_new(ownId ? options_.clientId.c_str() : nullptr, true, this);
    if (!handle_) {
        throw std::runtime_error(std::string("cannot create an MQTT client: ") +
                                 std::strerror(errno));
    }
    mosquitto_connect_callback_set(handle_, [](mosquitto*, void* obj, int code) {
        if (self(obj).events_.connected) {
            self(obj).events_.connected(code);
        }
    });
    mosquitto_disconnect_callback_set(handle_,
                                      [](mosquitto*, void* obj, int) { self(obj).lost(); });
    mosquitto_publish_callback_set(handle_, [](mosquitto*, void* obj, int id) {
        if (self(obj).events_.delivered) {
            self(obj).events_.delivered(id);
        }
    });
    const auto require = [this](int rc, const char* what) {
        if (rc != MOSQ_ERR_SUCCESS) {
            const std::string reason =
                rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
            mosquitto_destroy(handle_);
            throw std::runtime_error(std::string(what) + ": " + reason);
        }
    };
    // The publisher keeps its own bounded queue and hands over only this many messages at a
    // time, so the library's own queue never grows.
    require(mosquitto_max_inflight_messages_set(handle_, 20), "MQTT in-flight window");
    if (!options_.user.empty()) {
        require(
            mosquitto_username_pw_set(handle_, options_.user.c_str(), options_.password.c_str()),
            "MQTT user name");
    }
    if (!options_.caFile.empty()) {
        require(
            mosquitto_tls_set(handle_, options_.caFile.c_str(), nullptr, nullptr, nullptr, nullptr),
            ("CA file " + options_.caFile).c_str());
    }
    if (!options_.willTopic.empty()) {
        require(mosquitto_will_set(handle_, options_.willTopic.c_str(),
                                   static_cast<int>(options_.willPayload.size()),
                                   options_.willPayload.data(), 1, true),
                "MQTT last will");
    }
}

MqttConnection::~MqttConnection() {
    mosquitto_destroy(handle_);
}

bool MqttConnection::check(int rc) {
    if (rc == MOSQ_ERR_SUCCESS) {
        return true;
    }
    lastError_ = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
    return false;
}

bool MqttConnection::connect() {
    // A non-blocking connect; the library writes CONNECT once the socket is writable.
    // Messages handed over before a loss stay with the library, which sends them again (with
    // the duplicate flag) once the new session is up.
    up_ = check(mosquitto_connect_async(handle_, options_.host.c_str(), options_.port,
                                        options_.keepAliveSeconds));
    return up_;
}

int MqttConnection::socket() const {
    return mosquitto_socket(handle_);
}

bool MqttConnection::wantsWrite() const {
    return mosquitto_want_write(handle_);
}

bool MqttConnection::readable() {
    if (check(mosquitto_loop_read(handle_, 1))) {
        return true;
    }
    lost();
    return false;
}

bool MqttConnection::writable() {
    if (check(mosquitto_loop_write(handle_, 1))) {
        return true;
    }
    lost();
    return false;
}

void MqttConnection::housekeeping() {
    if (!check(mosquitto_loop_misc(handle_))) {
        lost();
    }
}

int MqttConnection::publish(const std::string& topic, const std::string& payload, int qos,
                            bool retain) {
    int id = -1;
    if (!check(mosquitto_publish(handle_, &id, topic.c_str(), static_cast<int>(payload.size()),
                                 payload.data(), qos, retain))) {
        return -1;
    }
    return id;
}

void MqttConnection::disconnect() {
    up_ = false; // a goodbye of our own is no loss to report
    mosquitto_disconnect(handle_);
    // The library sends DISCONNECT from its write loop; give it the chance right away.
    mosquitto_loop_write(handle_, 1);
}

void MqttConnection::lost() {
    const bool wasUp = up_;
    up_ = false;
    if (wasUp && events_.disconnected) {
        events_.disconnected();
    }
}

std::string MqttConnection::refusalText(int code) {
    return mosquitto_connack_string(code);
}

} // namespace orv
