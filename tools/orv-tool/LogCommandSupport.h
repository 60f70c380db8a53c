#pragma once

#include "core/LocaleFormat.h"
#include "offline/LogData.h"
#include "offline/LogFile.h"
#include "state/StringTable.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orv::tool {

// The command line of a log-file subcommand: exactly one FILE, options with one value each
// ("--start 5" or "--start=5") and flags. Unknown options, a missing value or a missing or
// second FILE are usage errors (ToolError). With --help or -h anywhere the usage text goes to
// standard output and the result is nullopt: the command has nothing more to do.
struct LogCommandLine {
    std::string file;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;

    [[nodiscard]] std::optional<std::string> value(const std::string& option) const;
};
[[nodiscard]] std::optional<LogCommandLine>
readLogCommandLine(std::string_view command, std::string_view usage,
                   const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                   const std::set<std::string>& flagOptions = {});

// --lang de|eng and --locale de_DE|en_US of the commands that write the diagram's texts: the
// string table in that language and the number and date format, which follows the language
// unless --locale names one. Anything else is a usage error of `command`.
struct TextOptions {
    StringTable texts;
    std::unique_ptr<LocaleFormat> locale;
};
[[nodiscard]] TextOptions readTextOptions(const LogCommandLine& line, std::string_view command);

// The log file, loaded; a missing file, one that is not a log file or one with an impossible
// header is a failure (ToolError) that names the file and the reason. A file cut short loads its
// complete records and says so in one line on standard error.
[[nodiscard]] LogData loadLogForCommand(std::string_view command, const std::string& path);

// The log file opened with only its header read, for the commands that read just the records they
// need. Refusals and the cut-short note are those of loadLogForCommand.
[[nodiscard]] LogFile openLogForCommand(std::string_view command, const std::string& path);

// A record range given as a first record and a count ("--start N --count M"): parsed before the
// file is opened, checked against its records afterwards.
struct RecordRangeOptions {
    std::uint64_t first = 0;
    std::optional<std::uint64_t> count; // nullopt: up to the last record
};
[[nodiscard]] RecordRangeOptions readRecordRange(const LogCommandLine& line,
                                                 const std::string& firstOption,
                                                 const std::string& countOption);
// The number of records of `range` within `size` records; a usage error "COMMAND: the records to
// WHAT do not lie within the SIZE records of FILE" when the range reaches past them.
[[nodiscard]] std::uint64_t checkedRecordCount(std::string_view command, std::string_view what,
                                               const RecordRangeOptions& range, std::int64_t size,
                                               const std::string& file);

// Ends a command whose output failed: names the log file when reading it failed (it got shorter
// while it was read), else the output file `out` or standard output.
[[noreturn]] void writeFailure(std::string_view command, const std::string& file,
                               const std::optional<std::string>& out, const std::error_code& ec);

} // namespace orv::tool
