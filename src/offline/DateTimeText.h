#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

// Numeric local date-times of day numbers for files meant for other programs (CSV, JSON):
// "2004-12-31 09:05:00", or with 'T' between date and time the ISO 8601 form. Whole seconds are
// rounded to the nearest second, as the general date text of the diagram and the export does,
// so a start at 08:00:00.6 is 08:00:01 everywhere; with milliseconds the time is rounded to the
// nearest millisecond and ".mmm" follows.
//
// The date and minute text of consecutive records is made once per minute, so a file of many
// millions of records is written quickly.
class DateTimeWriter {
public:
    // The most bytes write() produces.
    static constexpr std::size_t kMaxChars = 23;

    DateTimeWriter(char separator, bool millis) : separator_(separator), millis_(millis) {}

    // Writes the text at `out` and returns its end. A day number outside the years 100 to 9999
    // (which the log loader never lets through) writes nothing.
    char* write(char* out, double dayNumber);

private:
    // "2004-12-31 09:05:" of the minute last written
    static constexpr std::size_t kPrefixChars = 17;

    [[nodiscard]] std::int64_t perSecond() const { return millis_ ? 1000 : 1; }
    char* writeSeconds(char* out, std::int64_t ofMinute) const;

    char separator_;
    bool millis_;
    std::int64_t day_ = INT64_MIN;
    std::int64_t minuteStart_ = 0; // the first second (or millisecond) of the prefix's minute
    bool dayInside_ = false;       // the days before and after day_ are usable too
    char prefix_[kPrefixChars] = {};
};

// The text of one day number, as DateTimeWriter writes it; empty outside the years 100 to 9999.
[[nodiscard]] std::string dateTimeText(double dayNumber, char separator, bool millis = false);

} // namespace orv
