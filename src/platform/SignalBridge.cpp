#include "platform/SignalBridge.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace orv {

namespace {

// The only thing the async-signal handler may touch: the write end of the current bridge.
std::atomic<int> g_writeFd{-1};

extern "C" void onTerminationSignal(int signalNumber) {
    const int fd = g_writeFd.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
}

bool install(int signalNumber, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(signalNumber, &action, nullptr) == 0;
}

} // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_.data()) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fds_[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalBridge::readSignal);
    g_writeFd.store(fds_[0]);
    ok_ = install(SIGTERM, onTerminationSignal) && install(SIGINT, onTerminationSignal);
}

SignalBridge::~SignalBridge() {
    int expected = fds_[0];
    if (g_writeFd.compare_exchange_strong(expected, -1)) {
        install(SIGTERM, SIG_DFL);
        install(SIGINT, SIG_DFL);
    }
    notifier_.reset();
    for (int fd : fds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void SignalBridge::readSignal() {
    unsigned char byte = 0;
    if (::read(fds_[1], &byte, 1) == 1) {
        emit terminationRequested(byte);
    }
}

} // namespace orv
