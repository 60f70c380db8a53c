#pragma once

#include <string>
#include <vector>

namespace orv::tool {

// One subcommand: gets the arguments after its name, returns the exit status, and reports bad
// arguments or an unusable source by throwing ToolError (CommandLine.h). A new subcommand is a
// new file with its run function, a declaration here and a line in the table of main.cpp.
using CommandArgs = std::vector<std::string>;

int runRead(const CommandArgs& args);
int runDewpoint(const CommandArgs& args);
int runPsychro(const CommandArgs& args);
int runSynth(const CommandArgs& args);
int runRecord(const CommandArgs& args);

} // namespace orv::tool
