// orv-tool report FILE -o OUT.pdf: the report of the diagram window, written without a display.
#include "CommandLine.h"
#include "LogCommands.h"
#include "LogCommandSupport.h"
#include "OffscreenGui.h"
#include "PressureOption.h"

#include "alarms/AlarmRule.h"
#include "offline/DataWindow.h"
#include "offline/ReportAlarms.h"
#include "offline/ReportPdf.h"
#include "state/StringTable.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace orv::tool {
namespace {

constexpr const char* kReportUsage =
    "usage: orv-tool report FILE -o OUT.pdf [--from N] [--count M] [--lang de|eng]\n"
    "                [--locale de_DE|en_US] [--pressure HPA] [--alarm RULE]...\n"
    "Writes a PDF report of records N .. N+M-1 (default: all): the file's header, the diagram,\n"
    "minimum, maximum and average with their times of the measured and the derived humidity\n"
    "quantities (at the air pressure of --pressure, default 1013.25 hPa), and the alarm\n"
    "intervals of the events file beside the log (FILE.events.csv) and of each --alarm rule\n"
    "run over the records (e.g. --alarm \"margin<2\" --alarm \"humidity>70 for 60s\"; a\n"
    "limit without a unit is in the file's temperature unit). German texts on A4 (default),\n"
    "English (--lang eng) on Letter paper. Needs no display.\n";

// The --alarm rules, taken out of `args` (which keeps everything else); a bad rule is a usage
// error that names it.
std::vector<AlarmRule> takeAlarmRules(std::vector<std::string>& args) {
    std::vector<AlarmRule> rules;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string text;
        if (args[i] == "--alarm") {
            if (i + 1 == args.size()) {
                usageError("report: --alarm wants a rule");
            }
            text = args[++i];
        } else if (args[i].starts_with("--alarm=")) {
            text = args[i].substr(8);
        } else {
            rest.push_back(args[i]);
            continue;
        }
        auto rule = parseAlarmRule(text);
        if (const auto* bad = std::get_if<AlarmRuleError>(&rule)) {
            usageError("report: --alarm " + alarmRuleErrorText(*bad));
        }
        rules.push_back(std::get<AlarmRule>(std::move(rule)));
    }
    args = std::move(rest);
    return rules;
}

} // namespace

int runReport(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const std::vector<AlarmRule> rules = takeAlarmRules(args);
    const auto parsed =
        readLogCommandLine("report", kReportUsage, args,
                           {"-o", "--from", "--count", "--lang", "--locale", "--pressure"});
    if (!parsed) {
        return 0;
    }
    const LogCommandLine& line = *parsed;
    const auto out = line.value("-o");
    if (!out || out->empty()) {
        usageError("report: -o OUT.pdf is required");
    }
    const auto [texts, locale] = readTextOptions(line, "report");
    const bool english = line.value("--lang").value_or("de") == "eng";
    const RecordRangeOptions range = readRecordRange(line, "--from", "--count");
    ReportRequest request;
    if (const auto pressure = line.value("--pressure")) {
        request.pressureHpa = parsePressure("report", *pressure);
    }

    const LogData log = loadLogForCommand("report", line.file);
    const std::uint64_t count =
        checkedRecordCount("report", "report", range, log.size(), line.file);
    request.fileName = std::filesystem::path(line.file).filename().string();
    request.first = static_cast<std::int64_t>(range.first);
    request.count = static_cast<std::int64_t>(count);
    std::vector<AlarmInterval> intervals =
        loadAlarmIntervals(line.file).value_or(std::vector<AlarmInterval>{});
    if (!rules.empty()) {
        const auto evaluated = evaluateAlarmRules(log, request.first, request.count, rules);
        intervals.insert(intervals.end(), evaluated.begin(), evaluated.end());
    }
    request.alarms = reportAlarms(intervals, log, request.first, request.count, *locale);
    const ReportContent content = buildReport(log, request, texts, *locale, english);

    DiagramContent diagram =
        logDiagram(log, {content.first, content.count}, english ? "eng" : "de", texts);
    diagram.alarms = intervals;
    const auto application = offscreenApplication("report");
    const std::string error = writeReportPdf(*out, content, diagram, *locale);
    if (!error.empty()) {
        failure("report: " + *out + ": " + error);
    }
    return 0;
}

} // namespace orv::tool
