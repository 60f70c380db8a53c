#pragma once

#include "core/LocaleFormat.h"
#include "core/Texts.h"
#include "offline/RecordSource.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

namespace orv {

// What the export header says about the log file of the diagram.
struct ExportSource {
    std::string fileTitle; // file name without folder
    std::string serial;    // the header's 8-character text field, as stored
    std::int64_t recordCount = 0;
    double startTime = 0; // local day number of record 0
    float intervalSeconds = 0;
    std::string tempUnitText = "°C"; // "°C", "°F", " K"
    std::string ch2UnitText = " %";  // " %" for humidity, else the dew point's temperature unit
};

// Line 7: the column names of the text table (text 252) with the file's own units; a °C humidity
// file gets the text unchanged, other files get their temperature unit and, for a dew point,
// the dew point's name (text 197, words joined) and unit: "#Record Temperature(°F) DewPoint(°F)".
[[nodiscard]] std::string exportColumnHeader(const Texts& texts, const std::string& tempUnitText,
                                             const std::string& ch2UnitText);

// Lines 1 to 7, each ended by CR LF, for the visible records viewStart .. viewStart+viewCount-1.
[[nodiscard]] std::string exportHeader(const ExportSource& source, std::int64_t viewStart,
                                       std::int64_t viewCount, const Texts& texts,
                                       const LocaleFormat& locale);

// One value of a record line: rounded to 2 decimals (halves to even on the widened value), the
// shortest text with `decimalSeparator`, "0" for a negative zero, "NaN" for a gap. Writes at most
// kMaxExportValueChars bytes at `out` and returns the end.
inline constexpr std::size_t kMaxExportValueChars = 64;
char* formatExportValue(char* out, float value, std::string_view decimalSeparator);

// The whole export (header, then "i a b" per visible record) written to `fd`, each piece while
// the next is formatted. The visible records viewStart .. viewStart+viewCount-1 are read from
// `records` chunk by chunk, so an export of a file on disk never holds more than one chunk of it.
// Returns the error of the first failing read or write; what was written before it stays.
[[nodiscard]] std::error_code writeExport(int fd, const ExportSource& source,
                                          std::int64_t viewStart, std::int64_t viewCount,
                                          RecordSource& records, const Texts& texts,
                                          const LocaleFormat& locale);

// The same for visible records held in memory: the two spans hold the visible records of each
// channel and must be equally long.
[[nodiscard]] std::error_code writeExport(int fd, const ExportSource& source,
                                          std::int64_t viewStart,
                                          std::span<const float> temperature,
                                          std::span<const float> channel2, const Texts& texts,
                                          const LocaleFormat& locale);

// Creates (or replaces) `path` and writes the export into it; the question whether an existing
// file may be replaced is asked before this.
[[nodiscard]] std::error_code exportToFile(const std::filesystem::path& path,
                                           const ExportSource& source, std::int64_t viewStart,
                                           std::int64_t viewCount, RecordSource& records,
                                           const Texts& texts, const LocaleFormat& locale);
[[nodiscard]] std::error_code exportToFile(const std::filesystem::path& path,
                                           const ExportSource& source, std::int64_t viewStart,
                                           std::span<const float> temperature,
                                           std::span<const float> channel2, const Texts& texts,
                                           const LocaleFormat& locale);

} // namespace orv
