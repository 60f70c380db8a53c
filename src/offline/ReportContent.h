#pragma once

#include "core/LocaleFormat.h"
#include "core/Psychrometrics.h"
#include "core/Texts.h"
#include "offline/LogData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orv {

// One alarm interval for the report: the rule as written, its start and (unless it was still
// active at the end of the records) its end as day numbers, and the value that started it.
struct ReportAlarm {
    std::string rule;
    double start = 0.0;
    std::optional<double> end;
    std::string value;
};

// What the report is asked for: a record range (count < 0: to the end of the file), the air
// pressure of the derived quantities and the alarm intervals found for it.
struct ReportRequest {
    std::string fileName;
    std::int64_t first = 0;
    std::int64_t count = -1;
    double pressureHpa = kStandardPressureHpa;
    std::vector<ReportAlarm> alarms;
};

struct ReportTable {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// The texts of a report, laid out by the PDF writer: a title, the facts of the file, the diagram
// (drawn from the log), the statistics of the measured and derived quantities, the alarm
// intervals and a footer with the file name and "page n of m".
struct ReportContent {
    std::string title;
    std::vector<std::pair<std::string, std::string>> facts;
    std::string statisticsTitle;
    ReportTable statistics;
    std::string alarmsTitle;
    ReportTable alarms;
    std::string noAlarms;
    std::string footerName;
    // "%1" and "%2" stand for the page number and the page count.
    std::string pageText;
    // Letter paper for English texts, A4 otherwise.
    bool letter = false;
    // The records the report covers (first, count), clamped to the file.
    std::int64_t first = 0;
    std::int64_t count = 0;
};

// Runs of records in first..first+count-1 where a channel holds no value, and the records in
// them.
struct GapCount {
    std::int64_t gaps = 0;
    std::int64_t records = 0;
};
[[nodiscard]] GapCount countGaps(const LogData& log, std::int64_t first, std::int64_t count);

// Builds the report's texts. Every number comes from the log engine: LogData's channel
// statistics and the derived quantities' extremes, formatted to two decimals in `locale`.
[[nodiscard]] ReportContent buildReport(const LogData& log, const ReportRequest& request,
                                        const Texts& texts, const LocaleFormat& locale,
                                        bool english);

// Splits a text table entry of the form "a|b|c" into its parts.
[[nodiscard]] std::vector<std::string> splitTextList(const std::string& text);

} // namespace orv
