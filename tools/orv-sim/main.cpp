// orv-sim: a simulated humidity/temperature sensor for the demo, the tests and for trying the
// program without hardware. See usageText() in SimOptions.cpp for the options and frame shapes.
#include "FrameSink.h"
#include "FrameSource.h"
#include "SimOptions.h"
#include "SimRun.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

// A signal handler can reach nothing but globals; this one only holds the write end of the
// pipe that turns SIGINT/SIGTERM into an event the run loop polls for.
int stopPipeWriteFd = -1;

extern "C" void onStopSignal(int) {
    const int saved = errno;
    const char byte = 's';
    (void)!::write(stopPipeWriteFd, &byte, 1);
    errno = saved;
}

int fail(const std::string& message, int status) {
    std::fprintf(stderr, "orv-sim: %s\n", message.c_str());
    return status;
}

} // namespace

int main(int argc, char** argv) {
    using namespace orv::sim;
    const ParseResult parsed = parseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (std::holds_alternative<ShowHelp>(parsed)) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        return fail(error->message, 2);
    }
    const SimOptions& options = std::get<SimOptions>(parsed);

    std::vector<ScriptLine> script;
    if (!options.scriptPath.empty()) {
        std::ifstream in(options.scriptPath, std::ios::binary);
        if (!in) {
            return fail("cannot read the script " + options.scriptPath, 2);
        }
        std::ostringstream text;
        text << in.rdbuf();
        auto lines = parseScript(text.str());
        if (const auto* problem = std::get_if<std::string>(&lines)) {
            return fail(options.scriptPath + ": " + *problem, 2);
        }
        script = std::move(std::get<std::vector<ScriptLine>>(lines));
    }

    int stopPipe[2];
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) < 0) {
        return fail("cannot create a pipe", 1);
    }
    stopPipeWriteFd = stopPipe[1];
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a blocked write must return and notice the stop
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // Readers that vanish show up as write errors, never as a fatal signal.
    std::signal(SIGPIPE, SIG_IGN);

    SinkOrError opened = options.output == OutputMode::Tcp ? openTcpServer(options)
                         : options.output == OutputMode::Serial
                             ? openSerialDevice(options, stopPipe[0])
                             : openStdout(stopPipe[0]);
    if (const auto* problem = std::get_if<std::string>(&opened)) {
        return fail(*problem, 1);
    }
    auto& sink = *std::get<std::unique_ptr<FrameSink>>(opened);
    if (const std::string line = sink.readyLine(); !line.empty()) {
        std::fprintf(stderr, "orv-sim: %s\n", line.c_str());
    }
    const FrameSource source(options, std::move(script));
    return runSimulator(options, source, sink, stopPipe[0]);
}
