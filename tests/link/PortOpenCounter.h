#pragma once

// Counts how often any process opens a device file (a pty end of a socat pair), as the kernel
// reports it through inotify: what the port list test does to every free port.

#include <QFileInfo>
#include <QString>

#include <sys/inotify.h>
#include <unistd.h>

#include <array>

namespace orv::test {

class PortOpenCounter {
public:
    // `device` may be a link (socat's); the device node it points to is watched.
    explicit PortOpenCounter(const QString& device) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        const QByteArray node = QFileInfo(device).canonicalFilePath().toLocal8Bit();
        if (fd_ >= 0 && !node.isEmpty()) {
            // Closes are watched too: the kernel merges an event into an identical one before it
            // that was not read yet, so open-open would count once, open-close-open twice.
            ok_ = inotify_add_watch(fd_, node.constData(), IN_OPEN | IN_CLOSE) >= 0;
        }
    }
    ~PortOpenCounter() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    PortOpenCounter(const PortOpenCounter&) = delete;
    PortOpenCounter& operator=(const PortOpenCounter&) = delete;

    [[nodiscard]] bool ok() const { return ok_; }

    // Opens reported so far.
    [[nodiscard]] int opens() {
        alignas(inotify_event) std::array<char, 4096> buffer{};
        for (;;) {
            const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
            if (n <= 0) {
                break;
            }
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer.data() + at);
                if (e->mask & IN_OPEN) {
                    ++opens_;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return opens_;
    }

private:
    int fd_ = -1;
    bool ok_ = false;
    int opens_ = 0;
};

} // namespace orv::test
