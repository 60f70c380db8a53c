#pragma once

#include "offline/LogData.h"
#include "offline/ViewMapping.h"

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

namespace orv {

class LocaleFormat;
class ModMain;
class Prompts;
struct ExportSource;

// The export button of a diagram window (cmdExport): asks for a file, then writes the records
// the window shows. One object per diagram window, which remembers the folder of its last export.
//
// The diagram window calls
//     exporter.cmdExport_Click(log, interaction.view(), fileTitle);
// with its loaded file, its visible range (narrowed by a zoom) and its file title ("a.dat").
//
// The save dialog starts in the logger's folder (LogFileDir) and offers three filters: the text
// table of text 243 (header lines, then "i a b" per record, decimal mark and date as the system
// writes them) and "CSV (*.csv)" (ISO times; ";" and a decimal comma under German texts, "," and
// a point under English ones), and the same CSV with the humidity quantities in further columns
// (text 378; air pressure from the setting Humidity/Pressure). The suggested name is the file title
// without ".dat". An existing file is replaced only after the question of texts 244/245; a failure
// shows text 253 and leaves an existing file as it was. Nothing else changes: not the view, not the
// markers, no setting.
class ExportCommand {
public:
    enum class Outcome { Cancelled, KeptExisting, Written, Failed };
    enum class Format { Text, Csv };

    ExportCommand(ModMain& app, Prompts& prompts);

    Outcome cmdExport_Click(const LogData& log, const ViewRange& view,
                            const std::string& fileTitle);

    // Folder the next save dialog opens in; empty until the first export (then LogFileDir).
    [[nodiscard]] const std::string& initialFolder() const { return initialFolder_; }

private:
    ModMain& app_;
    Prompts& prompts_;
    std::string initialFolder_;
};

// What the text export's header says about a loaded file.
[[nodiscard]] ExportSource exportSourceOf(const LogData& log, const std::string& fileTitle);
// The same for a file with `header` holding `records` complete records.
[[nodiscard]] ExportSource exportSourceOf(const LogHeader& header, std::int64_t records,
                                          const std::string& fileTitle);

// Writes `path` through `write` into a new file beside it and puts that in place of `path` only
// when every byte was written: a failure (folder not writable, disk full) removes the new file
// and leaves an existing one untouched. An existing file that is not writable is not replaced.
[[nodiscard]] std::error_code replaceFileWith(const std::filesystem::path& path,
                                              const std::function<std::error_code(int fd)>& write);

} // namespace orv
