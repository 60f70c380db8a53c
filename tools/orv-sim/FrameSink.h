#pragma once

#include "SimOptions.h"

#include <poll.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orv::sim {

// Why the simulator has to stop early: `exitCode` 0 for an orderly end (the reader of standard
// output went away), otherwise a failure described by `message`.
struct SinkStop {
    int exitCode = 1;
    std::string message;
};

// Where frames go. The run loop polls the sink's descriptors together with its own, hands the
// results back, and writes each chunk (one or more frames) in one or more pieces.
class FrameSink {
public:
    virtual ~FrameSink() = default;

    // One line for stderr once the sink accepts readers ("listening on ...", "writing to ...");
    // empty when there is nothing to say.
    [[nodiscard]] virtual std::string readyLine() const = 0;

    virtual void addPollFds(std::vector<pollfd>& fds) const = 0;
    // `fds` holds exactly the entries addPollFds added, with their results.
    [[nodiscard]] virtual std::optional<SinkStop> handleEvents(std::span<const pollfd> fds) = 0;

    // False while the sink wants the first frame held back (waiting for clients).
    [[nodiscard]] virtual bool readyToStart() const { return true; }
    // A chunk starts: readers that arrived during the previous one join from here, so nobody
    // receives the tail of a frame as the first thing.
    virtual void beginChunk() {}
    [[nodiscard]] virtual std::optional<SinkStop> write(std::string_view piece,
                                                        bool firstPiece) = 0;
    // Last chance to deliver queued bytes before the simulator exits.
    virtual void finish() {}
};

// Each factory either opens its output or says in one line why it cannot. `stopFd` becomes
// readable when the simulator is asked to stop; blocking writes give up when it does.
using SinkOrError = std::variant<std::unique_ptr<FrameSink>, std::string>;

[[nodiscard]] SinkOrError openTcpServer(const SimOptions& options);
[[nodiscard]] SinkOrError openSerialDevice(const SimOptions& options, int stopFd);
[[nodiscard]] SinkOrError openStdout(int stopFd);

} // namespace orv::sim
