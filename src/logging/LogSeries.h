#pragma once

#include "logging/DataLogger.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// How often an unattended recorder starts a new file: never, at local midnight, on Monday 00:00
// or on the first of the month 00:00.
enum class RotationPeriod { None, Daily, Weekly, Monthly };

[[nodiscard]] std::optional<RotationPeriod> rotationPeriodNamed(std::string_view name);

// The first period start after `dayNumber` (strictly later, with a margin for the rounding noise
// of day numbers, so a file that starts right on a boundary runs a whole period).
[[nodiscard]] double nextPeriodStart(RotationPeriod period, double dayNumber);

// The files of one recorder: "hall.dat" for `base` itself; "hall-2.dat", "hall-3.dat" when a
// name is taken; with rotation the date of the file's first record comes in between:
// "hall-2026-12-07.dat", then "hall-2026-12-07-2.dat" for a second file of the same date.
[[nodiscard]] std::filesystem::path seriesFileName(const std::filesystem::path& base,
                                                   std::optional<double> startDay, int number);

// Whether `name` (a file name without folder) belongs to the series of `base`.
[[nodiscard]] bool isSeriesFileName(const std::filesystem::path& base, const std::string& name);

// The start time of the newest file of the series (by its header) that was recorded with
// `intervalSeconds`; nullopt when the newest file has another interval or there is none.
[[nodiscard]] std::optional<double> previousSeriesGrid(const std::filesystem::path& base,
                                                       float intervalSeconds);

// The data logger of an unattended recorder: one series of files on one time grid. It never
// replaces or appends to an existing file. Its first file starts with the first sample, or on
// the grid of an earlier file (`continueGrid`) at the first slot from now on; with a rotation
// period it closes the running file before the first slot of the next period and opens the next
// file on that slot, so every slot lands in exactly one file.
class LogSeries {
public:
    LogSeries(const Clock& clock, const Texts& texts, std::filesystem::path base,
              float intervalSeconds, RotationPeriod rotation);

    // Puts the first file on the grid anchor + k × interval.
    void continueGrid(double anchor) { anchor_ = anchor; }

    struct Tick {
        std::int64_t recordsTaken = 0;
        // A file was started in this tick (the first one, or the next of a rotation).
        std::optional<std::string> startedFile;
        // The file the rotation closed, with its record count.
        std::optional<std::string> closedFile;
        std::int64_t closedRecords = 0;
        std::optional<int> messageTextId;
        bool ended = false;        // the clock jumped too far: the recording is over
        bool createFailed = false; // the next file could not be created
    };
    // Every 100 ms. Before the first frame (units empty) nothing happens.
    Tick onTimer(const LiveSample& sample);
    std::optional<int> stop() { return logger_.stop(); }

    [[nodiscard]] bool started() const { return started_; }
    [[nodiscard]] const DataLogger& logger() const { return logger_; }
    // Records of all files of this run.
    [[nodiscard]] std::int64_t totalRecords() const {
        return closedRecords_ + logger_.recordCount();
    }

private:
    bool openFile(const LiveSample& sample, double firstSlot, Tick& tick);

    const Clock& clock_;
    DataLogger logger_;
    std::filesystem::path base_;
    float interval_;
    RotationPeriod rotation_;
    std::optional<double> anchor_;
    std::optional<double> firstSlotDue_;
    double nextBoundary_ = 0.0;
    bool started_ = false;
    std::int64_t closedRecords_ = 0;
};

} // namespace orv
