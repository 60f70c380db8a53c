#pragma once

// A real Mosquitto broker on 127.0.0.1 and a mosquitto_sub subscriber, both child processes.
#include "tools/ToolTestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <map>

namespace orv::test {

// A port on 127.0.0.1 that was free a moment ago.
inline int freeLoopbackPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(s);
    return ntohs(a.sin_port);
}

inline bool acceptsConnections(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

inline bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// mosquitto listening on 127.0.0.1 only, with a configuration in a folder of its own. With a
// password file, anonymous clients are refused; persistent, it keeps sessions across a restart.
struct BrokerOptions {
    bool persistent = false;
    std::string user; // with a password: only this user gets in
    std::string password;
    int port = 0; // 0: a free one
};

class Broker {
public:
    explicit Broker(const BrokerOptions& o = {}) : port(o.port != 0 ? o.port : freeLoopbackPort()) {
        std::string config = "listener " + std::to_string(port) + " 127.0.0.1\n";
        if (::geteuid() == 0) {
            config += "user root\n"; // else it drops to an account that cannot use the folder
        }
        if (!o.user.empty()) {
            const auto file = dir_.file("passwords").string();
            writeFile(file, "");
            run({"mosquitto_passwd", "-b", file, o.user, o.password});
            config += "allow_anonymous false\npassword_file " + file + "\n";
        } else {
            config += "allow_anonymous true\n";
        }
        if (o.persistent) {
            config += "persistence true\npersistence_location " + dir_.path().string() + "/\n";
        }
        writeFile(dir_.file("mosquitto.conf"), config);
        start();
    }
    ~Broker() { stop(); }

    bool start() {
        process_.emplace(
            std::vector<std::string>{"mosquitto", "-c", dir_.file("mosquitto.conf").string()});
        return waitUntil([this] { return acceptsConnections(port); }, 10s);
    }
    // SIGTERM: a persistent broker saves its sessions.
    void stop() {
        if (process_) {
            process_->signal(SIGTERM);
            process_->wait(10s);
            process_.reset();
        }
    }
    [[nodiscard]] std::string address() const { return "127.0.0.1:" + std::to_string(port); }
    [[nodiscard]] std::string log() const { return process_ ? process_->err() : std::string(); }

    const int port;

private:
    TempDir dir_;
    std::optional<Process> process_;
};

struct Message {
    std::string topic;
    std::string payload;
    [[nodiscard]] QJsonObject json() const {
        return QJsonDocument::fromJson(QByteArray::fromStdString(payload)).object();
    }
};

// mosquitto_sub on PREFIX/#, QoS 1. With an id, its session outlives a broker restart (the
// broker keeps what arrives meanwhile). Ready once it has seen a probe of its own.
class Subscriber {
public:
    Subscriber(const Broker& broker, const std::string& prefix = "visualorv",
               const std::string& id = "")
        : process_([&] {
              std::vector<std::string> argv{
                  "mosquitto_sub", "-h", "127.0.0.1", "-p", std::to_string(broker.port), "-t",
                  prefix + "/#",   "-v", "-q",        "1"};
              if (!id.empty()) {
                  argv.insert(argv.end(), {"-c", "-i", id});
              }
              return argv;
          }()) {
        const std::string probe = prefix + "/probe";
        ready = waitUntil(
            [&] {
                run({"mosquitto_pub", "-h", "127.0.0.1", "-p", std::to_string(broker.port), "-t",
                     probe, "-m", "ready"});
                return waitUntil([&] { return !of(probe).empty(); }, 300ms);
            },
            10s);
    }

    [[nodiscard]] std::vector<Message> messages() const {
        std::vector<Message> all;
        for (const std::string& line : linesOf(process_.out())) {
            const auto blank = line.find(' ');
            if (blank != std::string::npos) {
                all.push_back({line.substr(0, blank), line.substr(blank + 1)});
            }
        }
        return all;
    }
    [[nodiscard]] std::vector<Message> of(const std::string& topic) const {
        std::vector<Message> picked;
        for (Message& m : messages()) {
            if (m.topic == topic) {
                picked.push_back(std::move(m));
            }
        }
        return picked;
    }
    // The payload of the newest message on `topic`, or "".
    [[nodiscard]] std::string last(const std::string& topic) const {
        const auto picked = of(topic);
        return picked.empty() ? std::string() : picked.back().payload;
    }
    bool waitFor(const std::string& topic, std::size_t count, std::chrono::milliseconds limit) {
        return waitUntil([&] { return of(topic).size() >= count; }, limit);
    }
    bool waitForLast(const std::string& topic, const std::string& payload,
                     std::chrono::milliseconds limit) {
        return waitUntil([&] { return last(topic) == payload; }, limit);
    }

    bool ready = false;

private:
    Process process_;
};

} // namespace orv::test
