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
    const auto startText = line.value("--start");
    const auto countText = line.value("--count");
    const std::uint64_t start = startText ? parseCount("--start", *startText, 0) : 0;
    const std::optional<std::uint64_t> count =
        countText ? std::optional(parseCount("--count", *countText, 0)) : std::nullopt;

    const LogData log = loadLogForCommand("export", line.file);
    const auto size = static_cast<std::uint64_t>(log.size());
    if (start > size || count.value_or(0) > size - start) {
        usageError("export: the records to export do not lie within the " + std::to_string(size) +
                   " records of " + line.file);
    }
    const std::uint64_t n = count.value_or(size - start);

    const ExportSource source =
        exportSourceOf(log, std::filesystem::path(line.file).filename().string());
    const auto temp = log.channel(Channel::Temperature).subspan(start, n);
    const auto ch2 = log.channel(Channel::Channel2).subspan(start, n);
    const auto viewStart = static_cast<std::int64_t>(start);

    const auto out = line.value("-o");
    const std::error_code ec =
        out ? exportToFile(*out, source, viewStart, temp, ch2, texts, *locale)
            : writeExport(STDOUT_FILENO, source, viewStart, temp, ch2, texts, *locale);
    if (ec) {
        failure("export: " + out.value_or("standard output") + ": " + ec.message());
    }
    return 0;
}

} // namespace orv::tool
