#pragma once

#include <string>
#include <vector>

namespace orv::tool {

// The log-file subcommands. Each gets the arguments after its name, writes its result to
// standard output (or the file named by -o), returns the exit status and reports bad arguments
// or an unusable file by throwing ToolError (CommandLine.h).

// info FILE: JSON with the header values, the records present and whether the file is cut short.
int runInfo(const std::vector<std::string>& args);
// export FILE [--start N] [--count M] [--lang de|eng] [--locale de_DE|en_US] [-o OUT]: the text
// export of the diagram window.
int runExport(const std::vector<std::string>& args);
// csv FILE [-o OUT] [--separator C] [--decimal C] [--bom] [--iso]: one row per record with its
// local date-time ("2024-01-01 08:00:00", which spreadsheets take as a date-time; --iso puts a
// 'T' between date and time); `--separator ';' --decimal ','` suits a German spreadsheet.
int runCsv(const std::vector<std::string>& args);
// stats FILE [--from I] [--to J]: min, max and average of both channels over records I..J.
int runStats(const std::vector<std::string>& args);
// plot FILE -o OUT.png [--width PX] [--height PX] [--from N] [--count N] [--lang de|eng]
// [--locale de_DE|en_US]: the diagram of the diagram window as a PNG image, drawn offscreen.
int runPlot(const std::vector<std::string>& args);
// report FILE -o OUT.pdf [--from N] [--count M] [--lang de|eng] [--alarm RULE]...: the PDF
// report of a record range (header, diagram, statistics, alarm intervals).
int runReport(const std::vector<std::string>& args);

} // namespace orv::tool
