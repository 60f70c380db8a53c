#include "mqtt/MqttPublisher.h"

#include "platform/MqttConnection.h"

#include <poll.h>

#include <algorithm>

namespace orv {

namespace {

// CONNACK codes that another attempt cannot change: identifier rejected, bad user name or
// password, not authorised.
bool finalRefusal(int code) {
    return code == 2 || code == 4 || code == 5;
}

} // namespace

MqttPublisher::MqttPublisher(MqttSettings settings, Log log)
    : settings_(std::move(settings)), log_(std::move(log)) {}

MqttPublisher::~MqttPublisher() = default;

std::string MqttPublisher::brokerName() const {
    const bool v6 = settings_.host.find(':') != std::string::npos;
    return (v6 ? "[" + settings_.host + "]" : settings_.host) + ":" +
           std::to_string(settings_.port);
}

void MqttPublisher::open(const std::string& serial) {
    serial_ = serial;
    topics_ = topicsFor(settings_.prefix, serial);
    MqttConnection::Options o;
    o.host = settings_.host;
    o.port = settings_.port;
    o.clientId = settings_.clientId;
    o.user = settings_.user;
    o.password = settings_.password;
    o.caFile = settings_.caFile;
    o.keepAliveSeconds = settings_.keepAliveSeconds;
    o.willTopic = topics_.status;
    o.willPayload = std::string(kStatusOffline);
    connection_ = std::make_unique<MqttConnection>(
        o, MqttConnection::Events{[this](int code) { onConnected(code); }, [this] { onLost(); },
                                  [this](int id) {
                                      inFlight_.erase(id);
                                  }});
    connected_ = false;
    everConnected_ = false;
    lossReported_ = false;
    inFlight_.clear();
    if (!connection_->connect()) {
        log_("MQTT broker " + brokerName() + " not reachable (" + connection_->lastError() +
             "); samples wait and are sent when it is");
        lossReported_ = true;
        scheduleRetry(Clock::now());
    }
}

bool MqttPublisher::sessionFor(const std::string& serial) {
    if (finished_ || refusal_) {
        return false;
    }
    if (connection_ && topicLevel(serial) != topicLevel(serial_)) {
        // Another sensor answers now: its topics and last will differ, so it gets a session of
        // its own, and the old one says goodbye.
        finish(std::chrono::seconds(1));
        finished_ = false;
        connection_.reset();
    }
    if (!connection_) {
        open(serial);
    }
    return true;
}

void MqttPublisher::publishSample(const PublishedSample& sample) {
    if (sessionFor(sample.serial)) {
        enqueue({topics_.state, samplePayload(sample), false});
        send();
    }
}

void MqttPublisher::publishEvent(const std::string& serial, const std::string& json) {
    if (sessionFor(serial)) {
        enqueue({topics_.event, json, false});
        send();
    }
}

void MqttPublisher::enqueue(Message m) {
    if (queue_.size() >= std::max<std::size_t>(settings_.queueLimit, 1)) {
        queue_.pop_front();
        ++dropped_;
        if (!dropReported_) {
            dropReported_ = true;
            log_("MQTT broker " + brokerName() + ": " + std::to_string(queue_.size() + 1) +
                 " samples wait for it; the oldest are dropped from now on");
        }
    }
    queue_.push_back(std::move(m));
}

void MqttPublisher::send() {
    if (!connected_) {
        return;
    }
    if (!announced_) {
        const int id = connection_->publish(topics_.status, std::string(kStatusOnline), 1, true);
        if (id < 0) {
            return;
        }
        inFlight_.insert(id);
        announced_ = true;
    }
    while (inFlight_.size() < kWindow && !queue_.empty()) {
        const Message& m = queue_.front();
        const int id = connection_->publish(m.topic, m.payload, 1, m.retain);
        if (id < 0) {
            return; // the link is going; the message waits for the next session
        }
        inFlight_.insert(id);
        queue_.pop_front();
    }
}

void MqttPublisher::onConnected(int code) {
    if (code == 0) {
        connected_ = true;
        announced_ = false;
        retryAt_.reset();
        retryDelay_ = kFirstRetry;
        log_("MQTT broker " + brokerName() +
             (everConnected_ ? ": connected again" : ": connected") + "; publishing to " +
             topics_.state);
        everConnected_ = true;
        lossReported_ = false;
        dropReported_ = false;
        // Sending waits until the library has finished the CONNACK: it first sends again what
        // was in flight when the link was lost, so the order of the samples is kept.
        return;
    }
    const std::string reason = MqttConnection::refusalText(code);
    if (finalRefusal(code)) {
        refusal_ = "the MQTT broker " + brokerName() + " refused the connection: " + reason;
        log_(*refusal_);
        return;
    }
    log_("MQTT broker " + brokerName() + ": " + reason + "; trying again");
    lossReported_ = true;
}

void MqttPublisher::onLost() {
    const bool wasConnected = connected_;
    connected_ = false;
    if (refusal_) {
        return;
    }
    if (!lossReported_) {
        lossReported_ = true;
        const std::string why =
            connection_->lastError().empty() ? "" : " (" + connection_->lastError() + ")";
        log_("MQTT broker " + brokerName() +
             (wasConnected ? ": connection lost" : " not reachable") + why +
             "; samples wait and are sent when it is back");
    }
    scheduleRetry(Clock::now());
}

void MqttPublisher::scheduleRetry(Clock::time_point now) {
    retryAt_ = now + retryDelay_;
    retryDelay_ = std::min<Clock::duration>(retryDelay_ * 2, kLongestRetry);
}

int MqttPublisher::socket() const {
    return connection_ && !finished_ ? connection_->socket() : -1;
}

bool MqttPublisher::wantsWrite() const {
    return socket() >= 0 && connection_->wantsWrite();
}

void MqttPublisher::readable() {
    if (socket() >= 0) {
        connection_->readable();
        send();
    }
}

void MqttPublisher::writable() {
    if (socket() >= 0) {
        connection_->writable();
        send();
    }
}

void MqttPublisher::service(Clock::time_point now) {
    if (!connection_ || finished_ || refusal_) {
        return;
    }
    if (connection_->socket() >= 0) {
        connection_->housekeeping();
    }
    if (!connected_ && retryAt_ && now >= *retryAt_) {
        retryAt_.reset();
        if (!connection_->connect()) {
            onLost();
        }
    }
    send();
}

void MqttPublisher::pump(std::chrono::milliseconds timeout) {
    const int fd = socket();
    if (fd < 0) {
        if (timeout.count() > 0) {
            ::poll(nullptr, 0, static_cast<int>(timeout.count()));
        }
        service();
        return;
    }
    pollfd p{fd, static_cast<short>(POLLIN | (wantsWrite() ? POLLOUT : 0)), 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) > 0) {
        if ((p.revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
            readable();
        }
        if ((p.revents & POLLOUT) != 0 && socket() >= 0) {
            writable();
        }
    }
    service();
}

void MqttPublisher::finish(std::chrono::milliseconds limit) {
    if (!connection_ || finished_) {
        finished_ = true;
        return;
    }
    if (!refusal_) {
        enqueue({topics_.status, std::string(kStatusOffline), true});
        const auto deadline = Clock::now() + limit;
        while ((!queue_.empty() || !inFlight_.empty()) && !refusal_) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                break;
            }
            pump(std::min(left, std::chrono::milliseconds(50)));
        }
        const std::size_t lost = queue_.size() + inFlight_.size();
        if (lost > 0) {
            log_("MQTT broker " + brokerName() + ": " + std::to_string(lost) +
                 " messages not delivered before the end");
        }
    }
    connection_->disconnect();
    connected_ = false;
    queue_.clear();
    inFlight_.clear();
    finished_ = true;
}

} // namespace orv
