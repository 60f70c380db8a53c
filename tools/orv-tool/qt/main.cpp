// orv-tool-qt: the orv-tool commands that draw with Qt. orv-tool runs this program in its own
// place for them, so its other commands never load Qt. A further Qt command is a run function in
// this folder and a line in the table below (and one in orv-tool's own table).
#include "CommandLine.h"
#include "LogCommands.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

struct QtSubcommand {
    std::string_view name;
    int (*run)(const std::vector<std::string>& args);
};

constexpr QtSubcommand kQtSubcommands[] = {
    {"plot", orv::tool::runPlot},
    {"report", orv::tool::runReport},
};

} // namespace

int main(int argc, char** argv) {
    const std::string_view name = argc >= 2 ? argv[1] : "";
    for (const auto& c : kQtSubcommands) {
        if (c.name == name) {
            return orv::tool::runReportingErrors(c.run,
                                                 std::vector<std::string>(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "orv-tool: unknown drawing command '%.*s' (see orv-tool --help)\n",
                 static_cast<int>(name.size()), name.data());
    return orv::tool::kExitUsage;
}
