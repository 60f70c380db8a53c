#include "logging/LogSeries.h"

#include "core/Clock.h"
#include "core/DayNumber.h"
#include "logging/LogFormat.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>

namespace orv {
namespace {

// A slot counts as due this close before its time, as in the data logger (day numbers carry
// rounding noise).
constexpr double kDueMargin = 1e-6;
// More files of one date than this means something is wrong with the folder, not a restart.
constexpr int kMaxFilesPerName = 9999;

// Day 0 (1899-12-30) was a Saturday; 1900-01-01, day 2, a Monday.
long long daysSinceMonday(long long day) {
    return ((day - 2) % 7 + 7) % 7;
}

// Index of the newest slot of the grid anchor + k × interval that is due at `t`.
double dueSlotIndex(double anchor, float intervalSeconds, double t) {
    return std::floor((t + kDueMargin - anchor) * kSecondsPerDay /
                      static_cast<double>(intervalSeconds));
}

double gridTime(double anchor, float intervalSeconds, double k) {
    return anchor + k * static_cast<double>(intervalSeconds) / kSecondsPerDay;
}

std::string dateText(double dayNumber) {
    const CivilTime c = toCivil(dayNumber);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", c.year, c.month, c.day);
    return text;
}

} // namespace

std::optional<RotationPeriod> rotationPeriodNamed(std::string_view name) {
    if (name == "daily") {
        return RotationPeriod::Daily;
    }
    if (name == "weekly") {
        return RotationPeriod::Weekly;
    }
    if (name == "monthly") {
        return RotationPeriod::Monthly;
    }
    return std::nullopt;
}

double nextPeriodStart(RotationPeriod period, double dayNumber) {
    const auto day = static_cast<long long>(std::floor(dayNumber + kDueMargin));
    switch (period) {
    case RotationPeriod::None:
        break;
    case RotationPeriod::Daily:
        return static_cast<double>(day + 1);
    case RotationPeriod::Weekly:
        return static_cast<double>(day + 7 - daysSinceMonday(day));
    case RotationPeriod::Monthly: {
        CivilTime c = toCivil(static_cast<double>(day));
        c.day = 1;
        c.hour = c.minute = c.second = 0;
        if (++c.month > 12) {
            c.month = 1;
            ++c.year;
        }
        return fromCivil(c);
    }
    }
    return HUGE_VAL;
}

std::filesystem::path seriesFileName(const std::filesystem::path& base,
                                     std::optional<double> startDay, int number) {
    std::string name = base.stem().string();
    if (startDay) {
        name += "-" + dateText(*startDay);
    }
    if (number > 1) {
        name += "-" + std::to_string(number);
    }
    return base.parent_path() / (name + base.extension().string());
}

bool isSeriesFileName(const std::filesystem::path& base, const std::string& name) {
    const std::string stem = base.stem().string();
    const std::string ext = base.extension().string();
    if (name.size() < stem.size() + ext.size() || !name.starts_with(stem) || !name.ends_with(ext)) {
        return false;
    }
    static const std::regex middle(R"((-[0-9]{4}-[0-9]{2}-[0-9]{2})?(-[0-9]+)?)");
    return std::regex_match(name.substr(stem.size(), name.size() - stem.size() - ext.size()),
                            middle);
}

std::optional<double> previousSeriesGrid(const std::filesystem::path& base, float intervalSeconds) {
    namespace fs = std::filesystem;
    const fs::path folder = base.has_parent_path() ? base.parent_path() : fs::path(".");
    std::optional<LogHeader> newest;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec) ||
            !isSeriesFileName(base, entry.path().filename().string())) {
            continue;
        }
        std::array<unsigned char, kLogHeaderSize> bytes{};
        std::ifstream in(entry.path(), std::ios::binary);
        if (!in.read(reinterpret_cast<char*>(bytes.data()), bytes.size())) {
            continue; // not even a header: not a file of this recorder
        }
        const LogHeader header = decodeLogHeader(bytes.data());
        if (!std::isfinite(header.startTime) || !(header.interval > 0.0f)) {
            continue;
        }
        if (!newest || header.startTime > newest->startTime) {
            newest = header;
        }
    }
    if (newest && newest->interval == intervalSeconds) {
        return newest->startTime;
    }
    return std::nullopt;
}

LogSeries::LogSeries(const Clock& clock, const Texts& texts, std::filesystem::path base,
                     float intervalSeconds, RotationPeriod rotation)
    : clock_(clock), logger_(clock, texts), base_(std::move(base)), interval_(intervalSeconds),
      rotation_(rotation) {}

bool LogSeries::openFile(const LiveSample& sample, double firstSlot, Tick& tick) {
    std::filesystem::path path;
    for (int n = 1;; ++n) {
        path = seriesFileName(
            base_, rotation_ == RotationPeriod::None ? std::nullopt : std::optional(firstSlot), n);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) && !ec) {
            break;
        }
        if (n == kMaxFilesPerName) {
            tick.createFailed = true;
            tick.messageTextId = DataLogger::kWriteFailedText;
            return false;
        }
    }
    logger_.chooseFile(path.string(), false);
    logger_.setInterval(interval_);
    const DataLogger::StartResult r = logger_.start(sample, false, firstSlot);
    if (r.outcome != StartOutcome::Started) {
        tick.createFailed = true;
        tick.messageTextId = r.messageTextId.value_or(DataLogger::kWriteFailedText);
        return false;
    }
    tick.messageTextId = r.messageTextId;
    tick.startedFile = path.string();
    tick.recordsTaken += 1;
    nextBoundary_ = nextPeriodStart(rotation_, firstSlot);
    started_ = true;
    return true;
}

LogSeries::Tick LogSeries::onTimer(const LiveSample& sample) {
    Tick tick;
    const double now = clock_.now();
    if (!started_) {
        if (sample.tempUnit.empty()) {
            return tick; // no frame yet
        }
        double firstSlot = now;
        if (anchor_) {
            // Waits for the first slot of the earlier grid from the first frame on.
            if (!firstSlotDue_) {
                firstSlotDue_ = gridTime(
                    *anchor_, interval_,
                    std::ceil((now - *anchor_) * kSecondsPerDay / static_cast<double>(interval_) -
                              kDueMargin));
            }
            if (now + kDueMargin < *firstSlotDue_) {
                return tick;
            }
            firstSlot = gridTime(*anchor_, interval_, dueSlotIndex(*anchor_, interval_, now));
        }
        openFile(sample, firstSlot, tick);
        return tick;
    }

    if (logger_.state() == LoggerState::Recording && rotation_ != RotationPeriod::None) {
        const double start = logger_.startTime();
        const auto boundarySlot = static_cast<std::int64_t>(
            std::ceil((nextBoundary_ - start) * kSecondsPerDay / static_cast<double>(interval_) -
                      kDueMargin));
        const double boundaryTime = logger_.slotTime(boundarySlot);
        // A longer jump is the logger's to judge (it ends the recording).
        if (boundaryTime <= now + kDueMargin &&
            now - logger_.lastRecordTime() <= DataLogger::kMaxClockJumpDays) {
            const std::string closed = logger_.filePath();
            const std::optional<int> closeMessage = logger_.stopBeforeSlot(boundarySlot);
            tick.closedFile = closed;
            tick.closedRecords = logger_.recordCount();
            closedRecords_ += logger_.recordCount();
            // The sample belongs to the first slot of the new file only if that slot is the
            // one due now; slots slept through stay empty.
            const bool dueNow = logger_.slotTime(boundarySlot + 1) > now + kDueMargin;
            LiveSample first = sample;
            if (!dueNow) {
                first.temperature.reset();
                first.channel2.reset();
            }
            if (!openFile(first, boundaryTime, tick)) {
                return tick;
            }
            if (closeMessage) {
                tick.messageTextId = closeMessage;
            }
            if (!dueNow) {
                const DataLogger::TickResult r = logger_.onTimer(sample);
                tick.recordsTaken += r.recordsTaken;
                tick.messageTextId = tick.messageTextId ? tick.messageTextId : r.messageTextId;
                tick.ended = r.ended;
            }
            return tick;
        }
    }

    const DataLogger::TickResult r = logger_.onTimer(sample);
    tick.recordsTaken = r.recordsTaken;
    tick.messageTextId = r.messageTextId;
    tick.ended = r.ended;
    return tick;
}

} // namespace orv
