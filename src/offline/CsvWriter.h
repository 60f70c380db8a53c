#pragma once

#include "offline/DerivedColumns.h"
#include "offline/LogData.h"
#include "offline/RecordSource.h"

#include <cstdint>
#include <string>
#include <system_error>

namespace orv {

// A log as comma-separated values for spreadsheets: one row per record with its local date-time
// ("2026-03-01 14:05:00", which spreadsheets read as a date-time, or the ISO 8601 form with 'T';
// milliseconds only when the interval is not a whole number of seconds), the temperature and the
// channel-2 value in plain positional notation with every digit the float needs. A gap (NaN record)
// is an empty cell. The first row names the columns; every row ends with CR LF.
struct CsvOptions {
    char separator = ',';
    char decimal = '.';
    bool byteOrderMark = false;   // UTF-8 mark first, so spreadsheets read "°" right
    char dateTimeSeparator = ' '; // 'T' for the ISO 8601 form
    // Column names; the units in parentheses are appended: "temperature (°C)".
    std::string timeName = "time";
    std::string temperatureName = "temperature";
    std::string channel2Name; // empty: "humidity" or "dew point" by the file's unit
    // Humidity quantities as further columns behind the three above (DerivedColumns.h).
    bool derived = false;
    double pressureHpa = kStandardPressureHpa;
    DerivedNames derivedNames{};
};

// German spreadsheets want ";" between cells and a decimal comma.
[[nodiscard]] CsvOptions germanCsvOptions(CsvOptions options = {});

// Writes records first .. first+count-1 of a log with `header`, read from `records` chunk by
// chunk, to `fd`, each piece while the next is formatted. Returns the error of the first failing
// read or write; what was written before it stays.
[[nodiscard]] std::error_code writeCsv(int fd, const LogHeader& header, std::int64_t first,
                                       std::int64_t count, RecordSource& records,
                                       const CsvOptions& options);

// The same for a loaded log, the range clamped to its records.
[[nodiscard]] std::error_code writeCsv(int fd, const LogData& log, std::int64_t first,
                                       std::int64_t count, const CsvOptions& options);

} // namespace orv
