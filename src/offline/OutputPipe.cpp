#include "offline/OutputPipe.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace orv {

OutputPipe::OutputPipe(int fd, std::size_t bufferSize)
    : fd_(fd), size_(std::max<std::size_t>(bufferSize, 1)) {
    // Left untouched until used: the kernel hands out zeroed pages only when they are written.
    buffers_[0].reset(new char[size_]);
    buffers_[1].reset(new char[size_]);
    fill_ = buffers_[0].get();
    writer_ = std::jthread([this](const std::stop_token& stop) { writerLoop(stop); });
}

OutputPipe::~OutputPipe() {
    writer_.request_stop();
    if (writer_.joinable()) {
        writer_.join();
    }
}

void OutputPipe::writerLoop(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, stop, [this] { return pending_ != nullptr; });
        if (pending_ == nullptr) {
            return; // asked to stop with nothing left to write
        }
        const char* p = pending_;
        std::size_t n = pendingSize_;
        lock.unlock();
        std::error_code error;
        while (n > 0) {
            const ssize_t w = ::write(fd_, p, n);
            if (w < 0) {
                if (errno == EINTR) {
                    continue;
                }
                error = std::error_code(errno, std::generic_category());
                break;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
        lock.lock();
        if (error && !error_) {
            error_ = error;
            failed_.store(true, std::memory_order_relaxed);
        }
        pending_ = nullptr;
        pendingSize_ = 0;
        changed_.notify_all();
    }
}

void OutputPipe::handOver() {
    if (used_ == 0) {
        return;
    }
    {
        std::unique_lock lock(mutex_);
        // The other buffer is free again once the writer has finished with it.
        changed_.wait(lock, [this] { return pending_ == nullptr; });
        if (!error_ && !finished_) {
            pending_ = fill_;
            pendingSize_ = used_;
            changed_.notify_all();
        }
    }
    fillIndex_ ^= 1;
    fill_ = buffers_[fillIndex_].get();
    used_ = 0;
}

void OutputPipe::append(std::string_view bytes) {
    while (!bytes.empty()) {
        if (used_ == size_) {
            handOver();
        }
        const std::size_t n = std::min(bytes.size(), size_ - used_);
        std::memcpy(fill_ + used_, bytes.data(), n);
        used_ += n;
        bytes.remove_prefix(n);
    }
}

std::error_code OutputPipe::finish() {
    handOver();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return pending_ == nullptr; });
    finished_ = true;
    return error_;
}

} // namespace orv
