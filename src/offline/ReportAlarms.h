#pragma once

#include "alarms/AlarmEventsFile.h"
#include "alarms/AlarmRule.h"
#include "core/LocaleFormat.h"
#include "offline/LogData.h"
#include "offline/ReportContent.h"

#include <cstdint>
#include <vector>

namespace orv {

// Alarm intervals for a report of records first..first+count-1.

// The rules run over the records as if they arrived live: each record is a sample at its time
// (temperature and dew point in °C, the humidity stored or derived back from the dew point), a
// record without a value is the no-data state. Limits written without a unit are in the file's
// temperature unit. An alarm still on after the last record has no end.
[[nodiscard]] std::vector<AlarmInterval> evaluateAlarmRules(const LogData& log, std::int64_t first,
                                                            std::int64_t count,
                                                            const std::vector<AlarmRule>& rules);

// The intervals that overlap the records' time span, as report rows: times as day numbers, the
// starting value to one decimal in `locale` ("" for a silence alarm).
[[nodiscard]] std::vector<ReportAlarm> reportAlarms(const std::vector<AlarmInterval>& intervals,
                                                    const LogData& log, std::int64_t first,
                                                    std::int64_t count, const LocaleFormat& locale);

} // namespace orv
