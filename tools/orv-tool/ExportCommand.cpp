#include "CommandLine.h"
#include "LogCommands.h"
#include "LogCommandSupport.h"

#include "core/LocaleFormat.h"
#include "offline/ExportCommand.h"
#include "offline/ExportWriter.h"
#include "state/StringTable.h"

#include <filesystem>
#include <memory>
#include <unistd.h>

namespace orv::tool {
namespace {

constexpr const char* kExportUsage = "usage: orv-tool export FILE [--start N] [--count M] [--lang "
                                     "de|eng] [--locale de_DE|en_US] [-o OUT]\n"
                                     "Writes records N .. N+M-1 (default: all) in the text export "
                                     "format of the diagram window, with\n"
                                     "the texts of the language (default de) and the number and "
                                     "date format of the locale (default:\n"
                                     "de_DE for de, en_US for eng), to OUT or standard output.\n";

} // namespace

int runExport(const std::vector<std::string>& args) {
    const auto parsed = readLogCommandLine("export", kExportUsage, args,
                                           {"--start", "--count", "--lang", "--locale", "-o"});
    if (!parsed) {
        return 0;
    }
    const LogCommandLine& line = *parsed;
    const auto [texts, locale] = readTextOptions(line, "export");
    const RecordRangeOptions range = readRecordRange(line, "--start", "--count");

    // The records stream from the file chunk by chunk: memory stays small whatever its size.
    LogFile log = openLogForCommand("export", line.file);
    const std::uint64_t n = checkedRecordCount("export", "export", range, log.size(), line.file);
    const ExportSource source = exportSourceOf(
        log.header(), log.size(), std::filesystem::path(line.file).filename().string());
    const auto viewStart = static_cast<std::int64_t>(range.first);
    const auto viewCount = static_cast<std::int64_t>(n);

    const auto out = line.value("-o");
    const std::error_code ec =
        out ? exportToFile(*out, source, viewStart, viewCount, log, texts, *locale)
            : writeExport(STDOUT_FILENO, source, viewStart, viewCount, log, texts, *locale);
    if (ec) {
        writeFailure("export", line.file, out, ec);
    }
    return 0;
}

} // namespace orv::tool
