#pragma once

#include "offline/DiagramPainter.h"
#include "offline/LogData.h"
#include "offline/ViewMapping.h"

#include <memory>
#include <string>

namespace orv {

class ModMain;
class Prompts;

// The diagram window's "Report (PDF)": asks where to save (text 387, filter 384, the file
// title with ".pdf"), then writes the report of the visible records with the diagram as the
// window shows it, the statistics and the alarm intervals of the events file beside the log.
// Texts, number format and paper follow the program's language; the air pressure is the
// setting Humidity/Pressure. A failure says so (text 385 and the reason) and leaves an existing
// file as it was.
class ReportCommand {
public:
    enum class Outcome { Cancelled, Written, Failed };

    ReportCommand(ModMain& app, Prompts& prompts) : app_(app), prompts_(prompts) {}

    Outcome run(const LogData& log, const ViewRange& view, const DiagramContent& diagram,
                const std::string& filePath);

private:
    ModMain& app_;
    Prompts& prompts_;
    std::string folder_;
};

} // namespace orv
