#include "offline/ExportCommand.h"

#include "offline/AxisLabels.h"
#include "offline/CsvWriter.h"
#include "offline/ExportWriter.h"
#include "platform/Prompts.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

constexpr const char* kMessageTitle = "VisualORV";
constexpr int kCsvFilterIndex = 2;
// The CSV export with the humidity quantities in further columns.
constexpr int kCsvDerivedFilterIndex = 3;

std::error_code lastError() {
    return {errno, std::generic_category()};
}

// A new file beside `path` that no one else uses; -1 with errno set when none can be made.
int createSibling(const std::filesystem::path& path, std::filesystem::path& sibling) {
    const std::string stem = "." + path.filename().string() + ".part-" + std::to_string(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        sibling = path.parent_path() / (stem + "-" + std::to_string(attempt));
        const int fd = ::open(sibling.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

} // namespace

ExportSource exportSourceOf(const LogData& log, const std::string& fileTitle) {
    return exportSourceOf(log.header(), log.size(), fileTitle);
}

ExportSource exportSourceOf(const LogHeader& h, std::int64_t records,
                            const std::string& fileTitle) {
    ExportSource source;
    source.fileTitle = fileTitle;
    source.serial = h.textUtf8();
    source.recordCount = records;
    source.startTime = h.startTime;
    source.intervalSeconds = h.interval;
    source.tempUnitText = h.tempUnitText();
    source.ch2UnitText = h.ch2UnitText();
    return source;
}

std::error_code replaceFileWith(const std::filesystem::path& path,
                                const std::function<std::error_code(int fd)>& write) {
    struct stat existing {};
    const bool replacing = ::stat(path.c_str(), &existing) == 0;
    if (replacing) {
        if (S_ISDIR(existing.st_mode)) {
            return std::make_error_code(std::errc::is_a_directory);
        }
        if (::access(path.c_str(), W_OK) != 0) {
            return lastError(); // a write-protected file stays protected
        }
    }
    std::filesystem::path sibling;
    const int fd = createSibling(path, sibling);
    if (fd < 0) {
        return lastError();
    }
    // The new file keeps the permissions of the one it replaces.
    std::error_code ec;
    if (replacing && ::fchmod(fd, existing.st_mode & 07777) != 0) {
        ec = lastError();
    }
    if (!ec) {
        ec = write(fd);
    }
    if (!ec && ::fdatasync(fd) != 0) {
        ec = lastError();
    }
    if (::close(fd) != 0 && !ec) {
        ec = lastError();
    }
    if (!ec && ::rename(sibling.c_str(), path.c_str()) != 0) {
        ec = lastError();
    }
    if (ec) {
        ::unlink(sibling.c_str());
    }
    return ec;
}

ExportCommand::ExportCommand(ModMain& app, Prompts& prompts) : app_(app), prompts_(prompts) {}

ExportCommand::Outcome ExportCommand::cmdExport_Click(const LogData& log, const ViewRange& view,
                                                      const std::string& fileTitle) {
    if (initialFolder_.empty()) {
        initialFolder_ = app_.LogFileDir;
    }
    Prompts::FileDialog dialog;
    dialog.title = app_.text(242, "Logdatei exportieren nach");
    dialog.filter = app_.text(243, "txt-Dateien (*.txt)|*.txt") + "|" +
                    app_.text(342, "CSV (*.csv)|*.csv") + "|" +
                    app_.text(378, "CSV mit Feuchtegrößen (*.csv)|*.csv");
    dialog.folder = initialFolder_;
    // The file title without its extension ".dat".
    dialog.fileName = fileTitle.size() > 4 ? fileTitle.substr(0, fileTitle.size() - 4) : "";
    dialog.save = true;
    // The program asks its own question below, once.
    dialog.confirmOverwrite = false;
    const Prompts::FileChoice choice = prompts_.chooseFileAndFilter(dialog);
    if (choice.path.empty()) {
        return Outcome::Cancelled;
    }
    const bool derived = choice.filterIndex == kCsvDerivedFilterIndex;
    const Format format =
        choice.filterIndex == kCsvFilterIndex || derived ? Format::Csv : Format::Text;
    std::filesystem::path path(choice.path);
    // A spreadsheet opens a CSV file by its extension; the text table keeps the name as given.
    if (format == Format::Csv && !path.has_extension()) {
        path += ".csv";
    }
    initialFolder_ = path.parent_path().string();

    std::error_code ec;
    if (std::filesystem::exists(path, ec) || std::filesystem::is_symlink(path, ec)) {
        const auto answer = prompts_.message(
            kMessageTitle,
            app_.text(244, "Die Datei ") + path.string() +
                app_.text(245, " ist vorhanden. Soll die Datei überschrieben weden?"),
            Prompts::Icon::None, Prompts::Buttons::YesNo);
        if (answer != Prompts::Answer::Yes) {
            return Outcome::KeptExisting;
        }
    }

    const std::int64_t first = std::clamp<std::int64_t>(view.start, 0, log.size());
    const std::int64_t count = std::clamp<std::int64_t>(view.count, 0, log.size() - first);
    ec = replaceFileWith(path, [&](int fd) {
        if (format == Format::Csv) {
            const int shift = isHumidityUnit(log.header().ch2UnitText()) ? 0 : 3;
            CsvOptions options;
            options.byteOrderMark = true;
            options.timeName = app_.text(195 + shift, "Zeit");
            options.temperatureName = app_.text(193 + shift, "Temperatur");
            options.channel2Name = app_.text(194 + shift, shift == 0 ? "rel. Feuchte" : "Taupunkt");
            if (app_.strings.langBase() != StringTable::EnglishBase) {
                options = germanCsvOptions(options);
            }
            if (derived) {
                options.derived = true;
                options.pressureHpa =
                    parsePressureHpa(readSetting(app_.ini, keys::HumidityPressure))
                        .value_or(kStandardPressureHpa);
                for (std::size_t q = 0; q < kDerivedCount; ++q) {
                    options.derivedNames[q] = app_.text(372 + static_cast<int>(q));
                }
            }
            return writeCsv(fd, log, first, count, options);
        }
        LogRecords records = recordsOf(log);
        return writeExport(fd, exportSourceOf(log, fileTitle), first, count, records, app_.strings,
                           app_.locale);
    });
    if (ec) {
        prompts_.message(kMessageTitle, app_.text(253, "Datei konnte nicht angelegt werden."),
                         Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        return Outcome::Failed;
    }
    return Outcome::Written;
}

} // namespace orv
