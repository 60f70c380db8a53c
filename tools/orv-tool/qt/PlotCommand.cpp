// orv-tool plot FILE -o OUT.png: the diagram of the diagram window, drawn offscreen by the very
// same painter, for the whole file or a record range.
#include "CommandLine.h"
#include "LogCommands.h"
#include "LogCommandSupport.h"
#include "OffscreenGui.h"

#include "core/LocaleFormat.h"
#include "offline/DataWindow.h"
#include "offline/DiagramPainter.h"
#include "state/StringTable.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace orv::tool {
namespace {

constexpr const char* kPlotUsage =
    "usage: orv-tool plot FILE -o OUT.png [--width PX] [--height PX] [--from N] [--count N]\n"
    "                [--lang de|eng] [--locale de_DE|en_US]\n"
    "Draws the diagram of the diagram window for records N .. N+count-1 (default: all) into a\n"
    "PNG image of PX x PX pixels at 96 dpi (default 1200 x 700; width 200 .. 16384, height\n"
    "150 .. 16384), with the legend texts of the language (default de) and the number and date\n"
    "format of the locale (default: de_DE for de, en_US for eng). Needs no display.\n";

constexpr std::uint64_t kMinWidth = 200;
constexpr std::uint64_t kMinHeight = 150;
constexpr std::uint64_t kMaxPixels = 16384;

std::uint64_t pixelOption(const LogCommandLine& line, const std::string& option,
                          std::uint64_t fallback, std::uint64_t min) {
    const auto text = line.value(option);
    if (!text) {
        return fallback;
    }
    const std::uint64_t n = parseCount(option, *text, min);
    if (n > kMaxPixels) {
        usageError("plot: " + option + " may be at most " + std::to_string(kMaxPixels) +
                   " pixels, not " + *text);
    }
    return n;
}

} // namespace

int runPlot(const std::vector<std::string>& args) {
    const auto parsed = readLogCommandLine(
        "plot", kPlotUsage, args,
        {"-o", "--width", "--height", "--from", "--count", "--lang", "--locale"});
    if (!parsed) {
        return 0;
    }
    const LogCommandLine& line = *parsed;
    const auto out = line.value("-o");
    if (!out || out->empty()) {
        usageError("plot: -o OUT.png is required");
    }
    const auto [texts, locale] = readTextOptions(line, "plot");
    const auto width = pixelOption(line, "--width", 1200, kMinWidth);
    const auto height = pixelOption(line, "--height", 700, kMinHeight);
    const RecordRangeOptions range = readRecordRange(line, "--from", "--count");

    const LogData log = loadLogForCommand("plot", line.file);
    const std::uint64_t count = checkedRecordCount("plot", "draw", range, log.size(), line.file);

    const DiagramContent content =
        logDiagram(log, {static_cast<std::int64_t>(range.first), static_cast<std::int64_t>(count)},
                   line.value("--lang").value_or("de"), texts);
    const auto application = offscreenApplication("plot");
    const QImage image =
        renderDiagram(QSize(static_cast<int>(width), static_cast<int>(height)), content, *locale);
    if (!image.save(QString::fromStdString(*out), "PNG")) {
        failure("plot: cannot write " + *out);
    }
    return 0;
}

} // namespace orv::tool
