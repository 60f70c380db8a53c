#pragma once

#include "alarms/AlarmEvaluator.h"
#include "core/IsoTime.h"
#include "core/LocaleFormat.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The alarm events of a recording live beside its log: "room.dat" -> "room.events.csv".
[[nodiscard]] std::filesystem::path alarmEventsPathFor(const std::filesystem::path& logPath);

inline constexpr std::string_view kAlarmEventsHeader = "time,rule,value,event\n";

// One row "time,rule,value,event": the rule as written (quoted when it holds a comma or a
// quote), the value with a decimal point whatever the locale (empty for silence), start or end.
[[nodiscard]] std::string alarmEventRow(const AlarmEvent& event, int utcOffsetSeconds);

// Appends alarm events to the events file of a recording. Every row is synced to disk before
// append() returns, so a crash keeps every event that was reported.
class AlarmEventsWriter {
public:
    using OffsetSource = std::function<int(double localDayNumber)>;

    explicit AlarmEventsWriter(OffsetSource offset = systemUtcOffsetSeconds)
        : offset_(std::move(offset)) {}
    ~AlarmEventsWriter();
    AlarmEventsWriter(const AlarmEventsWriter&) = delete;
    AlarmEventsWriter& operator=(const AlarmEventsWriter&) = delete;

    // Creates the file with its header row, replacing an old one as a new recording replaces
    // its log; with `append` an existing file is continued instead. false with lastError() on
    // failure.
    [[nodiscard]] bool create(const std::filesystem::path& path, bool append = false);
    [[nodiscard]] bool append(const AlarmEvent& event);
    void close();
    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    [[nodiscard]] const std::string& lastError() const { return error_; }

private:
    bool fail(const std::string& what);

    OffsetSource offset_;
    int fd_ = -1;
    std::string path_;
    std::string error_;
};

struct AlarmEventRow {
    double time = 0.0; // local day number (the offset is dropped: logs keep local time too)
    std::string rule;
    std::optional<double> value;
    bool start = true;
};

struct AlarmEventsText {
    std::vector<AlarmEventRow> rows;
    std::vector<std::string> problems; // "line 4: ..." for each row that could not be read
};

// Reads an events file's text. A last line without its line end that cannot be read (the
// recording stopped in the middle of writing it) is left out quietly.
[[nodiscard]] AlarmEventsText parseAlarmEvents(std::string_view text);

// One alarm from its start to its end; an alarm still on when the recording stopped has no end.
struct AlarmInterval {
    std::string rule;
    double start = 0.0;
    std::optional<double> end;
    std::optional<double> value; // the value that started it

    [[nodiscard]] double endOr(double fallback) const { return end.value_or(fallback); }
};

// Pairs each rule's start with its next end, in order of start.
[[nodiscard]] std::vector<AlarmInterval> alarmIntervals(const std::vector<AlarmEventRow>& rows);

// "0:05:12" for 312 seconds, "1 d 2:00:00" from a day on; whole seconds.
[[nodiscard]] std::string durationText(double seconds);

// One alarm as the data window lists it: start (the locale's date and time), rule, value (one
// decimal, empty for silence), duration (`openText` when the recording ended before the alarm).
struct AlarmListRow {
    std::string start;
    std::string rule;
    std::string value;
    std::string duration;
};
[[nodiscard]] std::vector<AlarmListRow> alarmListRows(const std::vector<AlarmInterval>& intervals,
                                                      const LocaleFormat& locale,
                                                      const std::string& openText);

// The intervals of the events file beside `logPath`; nullopt when there is none.
[[nodiscard]] std::optional<std::vector<AlarmInterval>>
loadAlarmIntervals(const std::filesystem::path& logPath);

} // namespace orv
