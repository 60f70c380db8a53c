#include "ByteSource.h"

#include "CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace orv::tool {
namespace {

std::string errorText(int err) {
    return std::strerror(err);
}

struct HostPort {
    std::string host;
    std::string port;
};

HostPort splitHostPort(const std::string& text) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
        usageError("--tcp wants HOST:PORT, not '" + text + "'");
    }
    std::string host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    const std::string port = text.substr(colon + 1);
    unsigned value = 0;
    const auto [ptr, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (ec != std::errc{} || ptr != port.data() + port.size() || value == 0 || value > 65535) {
        usageError("--tcp wants a port from 1 to 65535, not '" + port + "'");
    }
    return {host, port};
}

} // namespace

ByteSource ByteSource::standardInput() {
    return {STDIN_FILENO, false, "standard input"};
}

ByteSource ByteSource::file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        failure("cannot open " + path + ": " + errorText(errno));
    }
    return {fd, true, path};
}

ByteSource ByteSource::tcp(const std::string& hostPort) {
    const HostPort hp = splitHostPort(hostPort);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int rc = ::getaddrinfo(hp.host.c_str(), hp.port.c_str(), &hints, &found); rc != 0) {
        failure("cannot connect to " + hostPort + ": " + ::gai_strerror(rc));
    }
    int lastError = ECONNREFUSED;
    int fd = -1;
    for (const addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            lastError = errno;
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd < 0) {
        failure("cannot connect to " + hostPort + ": " + errorText(lastError));
    }
    return {fd, true, hostPort, Kind::Tcp};
}

ByteSource ByteSource::serial(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        failure("cannot open " + device + ": " + errorText(errno));
    }
    ByteSource source(fd, true, device, Kind::Serial);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        failure("cannot set up " + device + " as a serial port: " + errorText(errno));
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, B9600) != 0 || ::cfsetospeed(&tio, B9600) != 0 ||
        ::tcsetattr(fd, TCSANOW, &tio) != 0) {
        failure("cannot set up " + device + " as a serial port: " + errorText(errno));
    }
    return source;
}

ByteSource::ByteSource(ByteSource&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), owned_(std::exchange(other.owned_, false)),
      kind_(other.kind_), name_(std::move(other.name_)), endReason_(std::move(other.endReason_)) {}

ByteSource::~ByteSource() {
    if (owned_ && fd_ >= 0) {
        ::close(fd_);
    }
}

std::optional<std::size_t> ByteSource::read(char* buffer, std::size_t max, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (timeoutMs >= 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (ready > 0) {
            break; // data, the end or an error: the read below tells which
        }
        if (ready == 0) {
            return std::nullopt;
        }
        if (errno != EINTR) {
            failure("cannot wait for " + name_ + ": " + errorText(errno));
        }
    }
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, max);
        if (n > 0) {
            return static_cast<std::size_t>(n);
        }
        if (n == 0) {
            if (kind_ == Kind::Tcp) {
                endReason_ = "closed by the other side";
            } else if (kind_ == Kind::Serial) {
                endReason_ = "the device hung up";
            }
            return 0;
        }
        const int err = errno;
        if (err == EINTR) {
            continue;
        }
        // A pty whose other side went away, or a serial adapter that was unplugged, reports EIO
        // or ENXIO/ENODEV; a TCP peer that went away without closing reports a reset.
        const bool lost =
            (kind_ == Kind::Serial && (err == EIO || err == ENXIO || err == ENODEV)) ||
            (kind_ == Kind::Tcp &&
             (err == ECONNRESET || err == ETIMEDOUT || err == EHOSTUNREACH || err == ENETUNREACH));
        if (!lost) {
            failure("cannot read " + name_ + ": " + errorText(err));
        }
        endReason_ = kind_ == Kind::Serial ? "the device went away (" + errorText(err) + ")"
                                           : errorText(err);
        return 0;
    }
}

} // namespace orv::tool
