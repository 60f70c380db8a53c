#include "FrameSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace orv::sim {

namespace {

enum class WriteStatus { Done, Stopped, TimedOut, Failed };

bool stopRequested(int stopFd) {
    pollfd p{stopFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

// Writes all of `data`, waiting for room as needed, but gives up when a stop is requested or
// after `timeoutMs` (negative: no limit). `error` receives errno on Failed.
WriteStatus writeAll(int fd, std::string_view data, int stopFd, int timeoutMs, int& error) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            if (stopRequested(stopFd)) {
                return WriteStatus::Stopped;
            }
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
            return WriteStatus::Failed;
        }
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return WriteStatus::TimedOut;
            }
            wait = static_cast<int>(left.count());
        }
        pollfd p[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
        if (::poll(p, 2, wait) > 0 && (p[1].revents & POLLIN)) {
            return WriteStatus::Stopped;
        }
    }
    return WriteStatus::Done;
}

bool configureSerialLine(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) < 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return ::cfsetispeed(&tio, B9600) == 0 && ::cfsetospeed(&tio, B9600) == 0 &&
           ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

class SerialSink final : public FrameSink {
public:
    SerialSink(int fd, std::string path, bool isTty, int stopFd)
        : fd_(fd), path_(std::move(path)), isTty_(isTty), stopFd_(stopFd) {}
    ~SerialSink() override { ::close(fd_); }
    SerialSink(const SerialSink&) = delete;
    SerialSink& operator=(const SerialSink&) = delete;

    std::string readyLine() const override { return "writing to " + path_; }

    void addPollFds(std::vector<pollfd>& fds) const override {
        // Only a terminal line has input to drain; reading a FIFO would swallow our own frames.
        fds.push_back({isTty_ ? fd_ : -1, POLLIN, 0});
    }

    std::optional<SinkStop> handleEvents(std::span<const pollfd> fds) override {
        if (fds[0].revents & POLLIN) {
            // The port search sends "1" when it opens the port; a sensor ignores it.
            char scratch[256];
            while (::read(fd_, scratch, sizeof scratch) > 0) {
            }
        }
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            return SinkStop{1, path_ + " hung up"};
        }
        return std::nullopt;
    }

    std::optional<SinkStop> write(std::string_view piece, bool firstPiece) override {
        if (firstPiece) {
            // Like a sensor's transmitter, we do not wait for a reader: a chunk that finds the
            // line still full is dropped whole, never in part.
            pollfd p{fd_, POLLOUT, 0};
            dropping_ = ::poll(&p, 1, 0) <= 0 || !(p.revents & POLLOUT);
        }
        if (dropping_) {
            return std::nullopt;
        }
        int error = 0;
        switch (writeAll(fd_, piece, stopFd_, 2000, error)) {
        case WriteStatus::Failed:
            return SinkStop{1, "write to " + path_ + " failed: " + std::strerror(error)};
        case WriteStatus::TimedOut:
            dropping_ = true;
            break;
        case WriteStatus::Done:
        case WriteStatus::Stopped:
            break;
        }
        return std::nullopt;
    }

private:
    int fd_;
    std::string path_;
    bool isTty_;
    int stopFd_;
    bool dropping_ = false;
};

class StdoutSink final : public FrameSink {
public:
    explicit StdoutSink(int stopFd) : stopFd_(stopFd) {}

    std::string readyLine() const override { return {}; }
    void addPollFds(std::vector<pollfd>&) const override {}
    std::optional<SinkStop> handleEvents(std::span<const pollfd>) override { return std::nullopt; }

    std::optional<SinkStop> write(std::string_view piece, bool) override {
        int error = 0;
        if (writeAll(STDOUT_FILENO, piece, stopFd_, -1, error) != WriteStatus::Failed) {
            return std::nullopt;
        }
        if (error == EPIPE) {
            return SinkStop{0, {}}; // the reader has seen enough; not a failure
        }
        return SinkStop{1, std::string("write to standard output failed: ") + std::strerror(error)};
    }

private:
    int stopFd_;
};

} // namespace

SinkOrError openSerialDevice(const SimOptions& options, int stopFd) {
    const std::string& path = options.devicePath;
    struct stat info {};
    if (::stat(path.c_str(), &info) < 0) {
        return "cannot open " + path + ": " + std::strerror(errno);
    }
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) {
        return path + " is not a serial device (use --stdout to write frames into a file)";
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return "cannot open " + path + ": " + std::strerror(errno);
    }
    const bool isTty = ::isatty(fd) == 1;
    if (isTty && !configureSerialLine(fd)) {
        const int error = errno;
        ::close(fd);
        return "cannot set " + path + " to 9600 8N1: " + std::strerror(error);
    }
    return std::make_unique<SerialSink>(fd, path, isTty, stopFd);
}

SinkOrError openStdout(int stopFd) {
    return std::make_unique<StdoutSink>(stopFd);
}

} // namespace orv::sim
