#pragma once

#include "offline/LogData.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <variant>

namespace orv {

// Why a log file could not be loaded.
struct LoadError {
    enum class Kind {
        NotFound,    // no file at the path
        NotALogFile, // too short for the magic, or the magic is not "ORV32" (case-sensitive)
        DataError,   // a log file with an impossible header (negative count, interval or start
                     // time not a usable number, whatever the count), or reading failed
        OutOfMemory, // the records do not fit into memory
        Cancelled,   // the caller asked the load to stop (a window closed while loading)
    };
    Kind kind = Kind::NotALogFile;
    std::string detail; // plain-English detail for the command-line tools (errno text etc.)

    // The string-table text (German id) the program shows: 255 "Diese Datei ist keine gültige
    // Logdatei. " for NotFound/NotALogFile, 256 "Datenfehler, eventuell ist die Datei beschädigt."
    // otherwise.
    [[nodiscard]] int textId() const;
};

// The largest recording interval a log file may hold: a day, far above the hour the recorder
// offers. Intervals from 0 (older files) up to it load.
inline constexpr float kMaxLogIntervalSeconds = 86400.0f;

// Whether a day number is a date the date texts can show: years 100 to 9999. The loader refuses
// a header whose start time, or the time of its last record, is not.
[[nodiscard]] bool usableDayNumber(double dayNumber);

// Either the loaded file or the reason it was refused. A file cut short (the stored count is
// larger than the complete records present) loads its complete records with
// LogData::truncated() set; the diagram says so in its status.
using LoadResult = std::variant<LogData, LoadError>;

// How far a load running on another thread has come, and a way to stop it. The loader writes
// `recordsTotal` once the header is read, and each of its reading threads adds to `recordsDone`
// after every chunk and checks `cancel` before the next one.
struct LoadProgress {
    std::atomic<std::int64_t> recordsDone{0};
    std::atomic<std::int64_t> recordsTotal{0};
    std::atomic<bool> cancel{false};
};

// How the loader shares its work out. The defaults suit the machine: one thread per core for
// files large enough to gain from it, chunks that stay in a core's cache. Tests choose small
// chunks to put chunk edges where they want them.
struct LoadTuning {
    int threads = 0;               // 0: one per core
    std::int64_t chunkRecords = 0; // 0: the default; else rounded up to ChannelIndex::kSumBlock
    bool readIntoMemory = false;   // read the records into memory even where the file can be mapped
};

// Maps the file and builds the channel indexes from its pages, every core taking chunks of them;
// the log then reads its records from the mapping, so opening copies nothing and needs no fresh
// memory for them. Where the file cannot be mapped (or `tuning.readIntoMemory` is set) the records
// are read into memory instead, the same way. Never trusts the stored count for an allocation
// and never reads past the end of the file. A trailing partial record (crash while appending) is
// ignored.
[[nodiscard]] LoadResult loadLogFile(const std::filesystem::path& path,
                                     LoadProgress* progress = nullptr,
                                     const LoadTuning& tuning = {});

// The same over bytes already in memory (fuzzing, tests).
[[nodiscard]] LoadResult loadLogBytes(std::span<const unsigned char> bytes,
                                      const LoadTuning& tuning = {});

} // namespace orv
