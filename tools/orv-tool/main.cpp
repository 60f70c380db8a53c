// orv-tool: the command-line companion. Each subcommand lives in its own file; this table is
// the one place that lists them.
#include "CommandLine.h"
#include "Commands.h"
#include "LogCommands.h"
#include "QtCommands.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

struct Subcommand {
    std::string_view name;
    std::string_view summary;
    int (*run)(const orv::tool::CommandArgs& args);
};

constexpr Subcommand kSubcommands[] = {
    {"read", "print the frames of a sensor (TCP, serial, file or stdin) as JSON lines",
     orv::tool::runRead},
    {"record", "record a live sensor (TCP or serial) into a log file on a fixed time grid",
     orv::tool::runRecord},
    {"dewpoint", "print the dew point in °C of T °C and RH %", orv::tool::runDewpoint},
    {"psychro", "print the humidity quantities of T °C and RH % as JSON", orv::tool::runPsychro},
    {"info", "print the header of a log file as JSON", orv::tool::runInfo},
    {"export", "write records of a log file in the diagram's text export format",
     orv::tool::runExport},
    {"csv", "write a log file as CSV with local date-times", orv::tool::runCsv},
    {"stats", "print min, max and average of a record range as JSON", orv::tool::runStats},
    {"plot", "draw the diagram of a log file into a PNG image (no display needed)",
     [](const orv::tool::CommandArgs& args) {
         return orv::tool::runQtCommand("plot", args);
     }},
    {"report", "write a PDF report of a log file (header, diagram, statistics, alarms)",
     [](const orv::tool::CommandArgs& args) {
         return orv::tool::runQtCommand("report", args);
     }},
    {"synth", "write a synthetic log file (daily curves with noise, optional gaps)",
     orv::tool::runSynth},
};

void printHelp(std::FILE* out) {
    std::fputs("usage: orv-tool COMMAND [ARGS...]\n"
               "       orv-tool COMMAND --help\n\n"
               "commands:\n",
               out);
    for (const auto& c : kSubcommands) {
        std::fprintf(out, "  %-10.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                     static_cast<int>(c.summary.size()), c.summary.data());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printHelp(stderr);
        return orv::tool::kExitUsage;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp(stdout);
        return 0;
    }
    const orv::tool::CommandArgs args(argv + 2, argv + argc);
    for (const auto& c : kSubcommands) {
        if (c.name != name) {
            continue;
        }
        return orv::tool::runReportingErrors(c.run, args);
    }
    std::fprintf(stderr, "orv-tool: unknown command '%s' (see orv-tool --help)\n", argv[1]);
    return orv::tool::kExitUsage;
}
