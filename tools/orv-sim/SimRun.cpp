#include "SimRun.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

namespace orv::sim {

namespace {

using Clock = std::chrono::steady_clock;

// After a stall this long (a suspended machine, a stopped process) the schedule starts afresh
// instead of firing every missed frame at once.
constexpr auto kMaxLag = std::chrono::seconds(1);

int report(const SinkStop& stop) {
    if (!stop.message.empty()) {
        std::fprintf(stderr, "orv-sim: %s\n", stop.message.c_str());
    }
    return stop.exitCode;
}

// The frames of one write, and how far it has been written.
struct Chunk {
    std::string text;
    std::size_t written = 0;
    Clock::time_point nextPieceDue;
    [[nodiscard]] bool open() const { return written < text.size(); }
};

class Scheduler {
public:
    Scheduler(const SimOptions& options, const FrameSource& source)
        : options_(options), source_(source) {}

    void start(Clock::time_point now) {
        started_ = true;
        origin_ = now;
    }
    [[nodiscard]] bool started() const { return started_; }
    [[nodiscard]] bool exhausted() const { return exhausted_; }

    [[nodiscard]] Clock::time_point chunkDue() const {
        const std::chrono::duration<double> offset(static_cast<double>(next_) / options_.rate);
        return origin_ + std::chrono::duration_cast<Clock::duration>(offset);
    }

    // The frames of the next write; empty when there are no more.
    Chunk takeChunk(Clock::time_point now) {
        if (now - chunkDue() > kMaxLag) {
            origin_ = now - (chunkDue() - origin_);
        }
        Chunk chunk;
        for (std::size_t i = 0; i < options_.batch && !exhausted_; ++i) {
            if (options_.count && next_ >= *options_.count) {
                exhausted_ = true;
                break;
            }
            auto frame = source_.frameText(next_);
            if (!frame) {
                exhausted_ = true;
                break;
            }
            chunk.text += *frame;
            ++next_;
        }
        if (options_.count && next_ >= *options_.count) {
            exhausted_ = true;
        }
        chunk.nextPieceDue = now;
        return chunk;
    }

private:
    const SimOptions& options_;
    const FrameSource& source_;
    bool started_ = false;
    bool exhausted_ = false;
    std::uint64_t next_ = 0;
    Clock::time_point origin_;
};

int millisecondsUntil(Clock::time_point due, Clock::time_point now) {
    if (due <= now) {
        return 0;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
    return static_cast<int>(std::min<long long>(ms, 1000));
}

} // namespace

int runSimulator(const SimOptions& options, const FrameSource& source, FrameSink& sink,
                 int stopFd) {
    Scheduler schedule(options, source);
    Chunk chunk;
    std::vector<pollfd> fds;
    for (;;) {
        auto now = Clock::now();
        if (!schedule.started() && sink.readyToStart()) {
            schedule.start(now);
        }
        if (schedule.started() && !chunk.open()) {
            if (schedule.exhausted()) {
                sink.finish();
                return 0;
            }
            if (now >= schedule.chunkDue()) {
                chunk = schedule.takeChunk(now);
                sink.beginChunk();
            }
        }
        if (chunk.open() && now >= chunk.nextPieceDue) {
            const std::size_t size = options.split > 0 ? options.split : chunk.text.size();
            const std::string_view piece = std::string_view(chunk.text).substr(chunk.written, size);
            if (auto stop = sink.write(piece, chunk.written == 0)) {
                return report(*stop);
            }
            chunk.written += piece.size();
            chunk.nextPieceDue = now + std::chrono::milliseconds(options.splitPauseMs);
        }

        int timeout = -1; // waiting for clients: only events can move us on
        if (chunk.open()) {
            timeout = millisecondsUntil(chunk.nextPieceDue, now);
        } else if (schedule.started()) {
            timeout = schedule.exhausted() ? 0 : millisecondsUntil(schedule.chunkDue(), now);
        }
        fds.assign(1, pollfd{stopFd, POLLIN, 0});
        sink.addPollFds(fds);
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            std::perror("orv-sim: poll");
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            return 0; // SIGINT or SIGTERM: an ordinary end
        }
        if (auto stop = sink.handleEvents(std::span<const pollfd>(fds).subspan(1))) {
            return report(*stop);
        }
    }
}

} // namespace orv::sim
