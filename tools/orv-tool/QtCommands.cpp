#include "QtCommands.h"

#include "CommandLine.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

namespace orv::tool {

std::vector<std::filesystem::path> qtHelperCandidates(const std::filesystem::path& programFolder) {
    return {programFolder / kQtHelperName,
            (programFolder / ORV_TOOL_QT_FROM_PROGRAM / kQtHelperName).lexically_normal()};
}

int runQtCommand(std::string_view command, const CommandArgs& args) {
    const std::string name(command);
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        failure(name + ": cannot find the folder of orv-tool: " + ec.message());
    }
    const auto candidates = qtHelperCandidates(self.parent_path());
    for (const auto& helper : candidates) {
        if (::access(helper.c_str(), X_OK) != 0) {
            continue;
        }
        std::vector<std::string> argv{helper.string(), name};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (auto& a : argv) {
            pointers.push_back(a.data());
        }
        pointers.push_back(nullptr);
        ::execv(helper.c_str(), pointers.data());
        failure(name + ": cannot start " + helper.string() + ": " + std::strerror(errno));
    }
    failure(name + ": this command needs " + kQtHelperName +
            ", which is not installed (looked for " + candidates[0].string() + " and " +
            candidates[1].string() + ")");
}

} // namespace orv::tool
