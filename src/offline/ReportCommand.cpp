#include "offline/ReportCommand.h"

#include "offline/ReportAlarms.h"
#include "offline/ReportPdf.h"
#include "platform/Prompts.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"
#include "state/StringTable.h"

#include <filesystem>

namespace orv {

ReportCommand::Outcome ReportCommand::run(const LogData& log, const ViewRange& view,
                                          const DiagramContent& diagram,
                                          const std::string& filePath) {
    const std::filesystem::path source(filePath);
    if (folder_.empty()) {
        folder_ = source.parent_path().string();
    }
    Prompts::FileDialog dialog;
    dialog.title = app_.text(387, "Bericht speichern unter");
    dialog.filter = app_.text(384, "PDF-Dateien (*.pdf)|*.pdf");
    dialog.folder = folder_;
    dialog.fileName = source.stem().string() + ".pdf";
    dialog.save = true;
    std::filesystem::path path = prompts_.chooseFile(dialog);
    if (path.empty()) {
        return Outcome::Cancelled;
    }
    if (!path.has_extension()) {
        path += ".pdf";
    }
    folder_ = path.parent_path().string();

    ReportRequest request;
    request.fileName = source.filename().string();
    request.first = view.start;
    request.count = view.count;
    request.pressureHpa = parsePressureHpa(readSetting(app_.ini, keys::HumidityPressure))
                              .value_or(kStandardPressureHpa);
    if (const auto intervals = loadAlarmIntervals(source)) {
        request.alarms = reportAlarms(*intervals, log, view.start, view.count, app_.locale);
    }
    const bool english = app_.strings.langBase() == StringTable::EnglishBase;
    const ReportContent content = buildReport(log, request, app_.strings, app_.locale, english);
    const std::string error = writeReportPdf(path.string(), content, diagram, app_.locale);
    if (!error.empty()) {
        prompts_.message("VisualORV",
                         app_.text(385, "Der Bericht konnte nicht geschrieben werden: ") + error,
                         Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        return Outcome::Failed;
    }
    return Outcome::Written;
}

} // namespace orv
