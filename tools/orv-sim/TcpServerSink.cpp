#include "FrameSink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace orv::sim {

namespace {

// A client that stops reading is dropped once this much is queued for it, so one stuck
// reader can neither grow our memory nor hold up the others.
constexpr std::size_t kMaxBacklog = 256 * 1024;

std::string describe(const sockaddr_in& addr) {
    char host[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr.sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(addr.sin_port));
}

class TcpServerSink final : public FrameSink {
public:
    TcpServerSink(int listenFd, std::string address, std::size_t waitClients, bool verbose)
        : listenFd_(listenFd), address_(std::move(address)), waitClients_(waitClients),
          verbose_(verbose) {}

    ~TcpServerSink() override {
        for (const Client& c : clients_) {
            ::close(c.fd);
        }
        ::close(listenFd_);
    }

    TcpServerSink(const TcpServerSink&) = delete;
    TcpServerSink& operator=(const TcpServerSink&) = delete;

    std::string readyLine() const override { return "listening on " + address_; }

    void addPollFds(std::vector<pollfd>& fds) const override {
        fds.push_back({listenFd_, POLLIN, 0});
        for (const Client& c : clients_) {
            const short events = static_cast<short>((c.inputClosed ? 0 : POLLIN) |
                                                    (c.backlog.empty() ? 0 : POLLOUT));
            fds.push_back({c.fd, events, 0});
        }
    }

    std::optional<SinkStop> handleEvents(std::span<const pollfd> fds) override {
        // fds[1..] match clients_ as they were when polled; new clients are only appended below.
        for (std::size_t i = 1; i < fds.size() && i - 1 < clients_.size(); ++i) {
            Client& c = clients_[i - 1];
            const short ev = fds[i].revents;
            if (ev & POLLIN) {
                drainInput(c);
            }
            if (c.fd >= 0 && (ev & (POLLHUP | POLLERR))) {
                closeClient(c, true);
            }
            if (c.fd >= 0 && (ev & POLLOUT)) {
                flush(c);
            }
        }
        removeClosed();
        if (fds[0].revents & POLLIN) {
            acceptAll();
        }
        return std::nullopt;
    }

    bool readyToStart() const override { return clients_.size() >= waitClients_; }

    void beginChunk() override {
        for (Client& c : clients_) {
            c.active = true;
        }
    }

    std::optional<SinkStop> write(std::string_view piece, bool) override {
        for (Client& c : clients_) {
            if (!c.active) {
                continue;
            }
            c.backlog.append(piece);
            flush(c);
            if (c.fd >= 0 && c.backlog.size() > kMaxBacklog) {
                std::fprintf(stderr, "orv-sim: dropping client %s, it does not read\n",
                             c.peer.c_str());
                closeClient(c, false);
            }
        }
        removeClosed();
        return std::nullopt;
    }

    void finish() override {
        // Give readers up to a second to take what is still queued for them.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < deadline) {
            std::vector<pollfd> fds;
            for (const Client& c : clients_) {
                if (!c.backlog.empty()) {
                    fds.push_back({c.fd, POLLOUT, 0});
                }
            }
            if (fds.empty() || ::poll(fds.data(), fds.size(), 50) < 0) {
                return;
            }
            for (Client& c : clients_) {
                flush(c);
            }
            removeClosed();
        }
    }

private:
    struct Client {
        int fd = -1;
        std::string peer;
        std::string backlog;
        bool active = false;      // receives frames; set at the start of the next chunk
        bool inputClosed = false; // the client shut down its sending side but may still read
    };

    void acceptAll() {
        for (;;) {
            sockaddr_in peer{};
            socklen_t length = sizeof peer;
            const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &length,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                return; // EAGAIN, or a connection that vanished before we took it
            }
            // Without this, the pieces of a split frame would be merged again on the wire.
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            clients_.push_back({fd, describe(peer), {}, false, false});
            if (verbose_) {
                std::fprintf(stderr, "orv-sim: client %s connected\n",
                             clients_.back().peer.c_str());
            }
        }
    }

    // Clients have nothing to say to a sensor; whatever they send is read and dropped. A client
    // that has finished sending may still be reading, so its end of input does not end it.
    void drainInput(Client& c) {
        char scratch[512];
        for (;;) {
            const ssize_t n = ::recv(c.fd, scratch, sizeof scratch, 0);
            if (n > 0 || (n < 0 && errno == EINTR)) {
                continue;
            }
            if (n == 0) {
                c.inputClosed = true;
            } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
                closeClient(c, true);
            }
            return;
        }
    }

    void flush(Client& c) {
        while (c.fd >= 0 && !c.backlog.empty()) {
            const ssize_t n =
                ::send(c.fd, c.backlog.data(), c.backlog.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                c.backlog.erase(0, static_cast<std::size_t>(n));
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            } else {
                closeClient(c, true);
            }
        }
    }

    void closeClient(Client& c, bool report) {
        if (report && verbose_) {
            std::fprintf(stderr, "orv-sim: client %s left\n", c.peer.c_str());
        }
        ::close(c.fd);
        c.fd = -1;
    }

    void removeClosed() {
        std::erase_if(clients_, [](const Client& c) { return c.fd < 0; });
    }

    int listenFd_;
    std::string address_;
    std::size_t waitClients_;
    bool verbose_;
    std::vector<Client> clients_;
};

} // namespace

SinkOrError openTcpServer(const SimOptions& options) {
    const std::string wanted = options.tcpHost + ":" + std::to_string(options.tcpPort);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::string("cannot create a socket: ") + std::strerror(errno);
    }
    // A restarted simulator must not wait for the old connections' TIME_WAIT to pass.
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(options.tcpPort);
    ::inet_pton(AF_INET, options.tcpHost.c_str(), &addr.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 || ::listen(fd, 16) < 0) {
        const int error = errno;
        ::close(fd);
        return "cannot listen on " + wanted + ": " + std::strerror(error);
    }
    socklen_t length = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    return std::make_unique<TcpServerSink>(fd, describe(addr), options.waitClients,
                                           options.verbose);
}

} // namespace orv::sim
