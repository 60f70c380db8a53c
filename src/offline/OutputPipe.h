#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

namespace orv {

// Text written to a file descriptor while the next piece is still being formatted: the caller
// fills one buffer while a writer thread write()s the other. Bytes reach the file in the order
// they were committed, each buffer whole (short writes and EINTR are continued).
//
// The first failing write stops the writing; failed() turns true soon after, so the caller can
// stop formatting, and finish() returns that error. What was written before it stays.
class OutputPipe {
public:
    static constexpr std::size_t kDefaultBufferSize = std::size_t{1} << 20;

    explicit OutputPipe(int fd, std::size_t bufferSize = kDefaultBufferSize);
    // Without finish() the bytes still buffered are dropped; the thread is always joined.
    ~OutputPipe();
    OutputPipe(const OutputPipe&) = delete;
    OutputPipe& operator=(const OutputPipe&) = delete;

    // Room for `n` more bytes (n at most the buffer size); hands the full buffer to the writer
    // when needed. Write at most n bytes and pass the end to commit().
    char* reserve(std::size_t n) {
        if (used_ + n > size_) {
            handOver();
        }
        return fill_ + used_;
    }
    void commit(const char* end) { used_ = static_cast<std::size_t>(end - fill_); }
    // Any amount of bytes, split over buffers as needed.
    void append(std::string_view bytes);

    // True once a write has failed.
    [[nodiscard]] bool failed() const { return failed_.load(std::memory_order_relaxed); }

    // Writes what is buffered, waits until everything has reached the descriptor and returns the
    // first error. The pipe takes no more bytes afterwards.
    [[nodiscard]] std::error_code finish();

private:
    void handOver();
    void writerLoop(const std::stop_token& stop);

    int fd_;
    std::size_t size_;
    std::unique_ptr<char[]> buffers_[2];
    char* fill_; // the buffer the caller fills
    std::size_t used_ = 0;
    int fillIndex_ = 0;

    std::mutex mutex_;
    std::condition_variable_any changed_;
    const char* pending_ = nullptr; // handed over, not yet written completely
    std::size_t pendingSize_ = 0;
    std::error_code error_;
    std::atomic<bool> failed_{false};
    bool finished_ = false;
    std::jthread writer_; // last: starts after everything it uses
};

} // namespace orv
