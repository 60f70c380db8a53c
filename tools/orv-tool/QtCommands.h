#pragma once

#include "Commands.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace orv::tool {

// The commands that draw with Qt live in a helper program, orv-tool-qt, so that the others start
// without loading Qt (a few milliseconds and megabytes on every call). orv-tool hands such a
// command over by running the helper in its place with the same arguments.
inline constexpr const char* kQtHelperName = "orv-tool-qt";

// Where the helper is looked for, in order: beside the running orv-tool (the build tree), then in
// the installed layout relative to it (PREFIX/bin -> PREFIX/libexec/visualorv).
[[nodiscard]] std::vector<std::filesystem::path>
qtHelperCandidates(const std::filesystem::path& programFolder);

// Replaces this process with the helper running `command` with `args`; returns only by throwing
// ToolError when the helper is missing or cannot be started.
int runQtCommand(std::string_view command, const CommandArgs& args);

} // namespace orv::tool
