// The recording loop of orv-tool record: the program's data logger without windows. The same
// measurement turns the sensor's frames into samples and the same logger writes them on the
// interval grid; a server without a screen records with it.
#include "ByteSource.h"
#include "CommandLine.h"
#include "RecordClock.h"
#include "RecordMqtt.h"
#include "RecordOptions.h"

#include "alarms/AlarmWatch.h"
#include "core/Clock.h"
#include "core/DayNumber.h"
#include "core/LinkControl.h"
#include "core/LocaleFormat.h"
#include "core/Measurement.h"
#include "core/Texts.h"
#include "logging/DataLogger.h"
#include "logging/LogSeries.h"
#include "offline/DateTimeText.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv::tool {
namespace {

// The intervals of the program's timers: the logger's tick, the no-data supervision and the
// reconnect of a lost link.
constexpr auto kLogTick = std::chrono::milliseconds(100);
constexpr auto kTimeoutTick = std::chrono::milliseconds(7000);
constexpr auto kReconnectTick = std::chrono::milliseconds(8000);

volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void onStopSignal(int sig) {
    gStopSignal = sig;
}

class NoTexts final : public Texts {
public:
    [[nodiscard]] std::optional<std::string> text(int /*germanId*/) const override {
        return std::nullopt;
    }
};

// Refuses an output that cannot be written before the sensor is even asked.
void checkWritable(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        failure("cannot write " + path + ": it is a folder");
    }
    const fs::path parent = fs::path(path).has_parent_path() ? fs::path(path).parent_path() : ".";
    if (!fs::is_directory(parent, ec)) {
        failure("cannot write " + path + ": no folder " + parent.string());
    }
    // The file itself is never replaced; the recording needs to create files in the folder.
    if (::access(parent.c_str(), W_OK) != 0) {
        failure("cannot write " + path + ": " + std::strerror(errno));
    }
}

// The sensor link: open, read what is there, and connect again after a loss (the
// supervision's restart, or end of input from the peer).
class RecordLink final : public LinkControl {
public:
    explicit RecordLink(const RecordOptions& o) : options_(o) {}

    void open() {
        source_.emplace(options_.tcp ? ByteSource::tcp(options_.where)
                                     : ByteSource::serial(options_.where));
    }
    bool tryOpen() {
        try {
            open();
            return true;
        } catch (const ToolError&) {
            return false;
        }
    }
    void close() { source_.reset(); }
    [[nodiscard]] bool isOpen() const { return source_.has_value(); }
    // What arrived within `timeoutMs`: text, an empty text when nothing came, nullopt when the
    // link is lost.
    std::optional<std::string> readAvailable(int timeoutMs) {
        char buffer[4096];
        try {
            const std::optional<std::size_t> n = source_->read(buffer, sizeof buffer, timeoutMs);
            if (!n) {
                return std::string();
            }
            if (*n == 0) {
                lostReason_ = source_->endReason();
                return std::nullopt;
            }
            return std::string(buffer, *n);
        } catch (const ToolError& e) {
            lostReason_ = e.what();
            return std::nullopt;
        }
    }
    [[nodiscard]] const std::string& lostReason() const { return lostReason_; }

    [[nodiscard]] bool serialOpen() const override { return !options_.tcp && isOpen(); }
    [[nodiscard]] bool tcpConnected() const override { return options_.tcp && isOpen(); }
    void restartSerial() override { restart(); }
    void restartTcp() override { restart(); }

private:
    void restart() {
        close();
        tryOpen();
    }

    const RecordOptions& options_;
    std::optional<ByteSource> source_;
    std::string lostReason_;
};

void status(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

// "21.37" with two decimals and a point whatever the locale, "-" for an empty value.
std::string valueText(std::optional<float> value) {
    if (!value) {
        return "-";
    }
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(*value),
                                 std::chars_format::fixed, 2);
    return std::string(buffer, r.ptr);
}

std::string recordLine(const DataLogger& logger, const LiveSample& sample) {
    return "record " + std::to_string(logger.recordCount()) + " " +
           dateTimeText(logger.lastRecordTime(), 'T') + " " + valueText(sample.temperature) +
           sample.tempUnit + " " + valueText(sample.channel2) + sample.ch2Unit;
}

// Every record taken, at the one place where a record leaves the recorder.
void recorded(const DataLogger& logger, const LiveSample& sample, bool printLine) {
    if (printLine) {
        status(recordLine(logger, sample));
    }
}

// Standard error is the systemd journal when JOURNAL_STREAM names its device and inode; a child
// that merely inherited the variable while writing elsewhere (a terminal) is not.
bool stderrIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    unsigned long long device = 0;
    unsigned long long inode = 0;
    struct stat st {};
    return stream != nullptr && std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 &&
           ::fstat(STDERR_FILENO, &st) == 0 && st.st_dev == device && st.st_ino == inode;
}

// "alarm start 2026-12-07T14:03:05+01:00 1.84 margin<2"; "-" stands for no value (silence).
std::string alarmLine(const AlarmEvent& e) {
    std::optional<float> value;
    if (e.value) {
        value = static_cast<float>(*e.value);
    }
    return std::string("alarm ") + (e.start ? "start " : "end ") +
           isoLocalTime(e.time, systemUtcOffsetSeconds(e.time)) + " " + valueText(value) + " " +
           e.ruleText;
}

// Hands every sample the measurement stores to the alarm rules and reports their events.
class AlarmFeed final : public MeasurementObserver {
public:
    AlarmFeed(AlarmWatch& watch, const Measurement& m, const Clock& clock, RecordMqtt* mqtt)
        : watch_(watch), m_(m), clock_(clock), mqtt_(mqtt) {}
    void sampleStored() override {
        for (const AlarmEvent& e : watch_.sampleStored(m_, clock_.now())) {
            status(alarmLine(e));
            if (mqtt_) {
                mqtt_->publishEvent(m_.onlineData().labels().serial, e);
            }
        }
        reportWriteError();
    }
    // The events file of the log being written now (a rotation starts the next one).
    void follow(const std::string& logPath, double recordingStart) {
        (void)watch_.followRecording(logPath, recordingStart);
        reportWriteError();
    }

private:
    void reportWriteError() {
        if (!watch_.lastError().empty() && watch_.lastError() != reported_) {
            reported_ = watch_.lastError();
            status("orv-tool: cannot write the alarm events: " + reported_);
        }
    }

    AlarmWatch& watch_;
    const Measurement& m_;
    const Clock& clock_;
    RecordMqtt* mqtt_;
    std::string reported_;
};

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a wait ends at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int runRecording(const RecordOptions& o) {
    const std::unique_ptr<RecordMqtt> mqtt = RecordMqtt::from(o.mqtt);
    checkWritable(o.output);
    installStopHandlers();
    const bool recordLines =
        o.log == RecordLog::Records || (o.log == RecordLog::Automatic && !stderrIsJournal());

    RecordLink link(o);
    link.open();

    EnglishFormat english;
    NoTexts texts;
    const std::unique_ptr<Clock> clock = recorderClock();
    Measurement m(english, texts, *clock, link);
    m.settings().unit = o.unit;
    m.settings().channel2 = o.channel2;
    m.settings().LinkMode = o.tcp ? 1 : 0;
    m.settings().ComPort = o.tcp ? "0" : "1";
    AlarmWatch alarms;
    (void)alarms.setRules(o.alarms, clock->now());
    AlarmFeed alarmFeed(alarms, m, *clock, mqtt.get());
    m.setObserver(&alarmFeed);

    LogSeries series(*clock, texts, o.output, static_cast<float>(o.interval), o.rotate);
    if (const std::optional<double> grid =
            previousSeriesGrid(o.output, static_cast<float>(o.interval))) {
        series.continueGrid(*grid);
        status("going on with the time grid of the earlier recording from " +
               dateTimeText(*grid, 'T'));
    }
    const DataLogger& logger = series.logger();

    using Steady = std::chrono::steady_clock;
    auto nextLogTick = Steady::now() + kLogTick;
    auto nextTimeout = Steady::now() + kTimeoutTick;
    auto nextReconnect = Steady::now() + kReconnectTick;
    // Without a frame the duration counts from now; from the first record on, from that.
    std::optional<Steady::time_point> endAt;
    if (o.duration) {
        endAt = Steady::now() + std::chrono::seconds(*o.duration);
    }
    double firstRecordTime = 0.0;
    bool heldReported = false;
    int exitStatus = 0;
    status("recording " + o.where + " into " + o.output + " every " + std::to_string(o.interval) +
           " s; waiting for the first frame");

    // One tick of the logger: the first file, the rotation, the records and what to tell.
    const auto tick = [&](const LiveSample& sample) {
        const bool wasStarted = series.started();
        const LogSeries::Tick t = series.onTimer(sample);
        if (t.closedFile && t.startedFile) {
            status("file " + *t.closedFile + " closed with " + std::to_string(t.closedRecords) +
                   " records; the recording goes on in " + *t.startedFile);
        } else if (t.closedFile) {
            status("file " + *t.closedFile + " closed with " + std::to_string(t.closedRecords) +
                   " records");
        }
        if (t.createFailed) {
            // The error of the writer names the file ("create PATH: reason").
            failure(logger.lastWriteError().empty()
                        ? "cannot create a new file next to " + o.output + ": no free name left"
                        : "cannot " + logger.lastWriteError());
        }
        if (!wasStarted && t.startedFile) {
            firstRecordTime = logger.startTime();
            if (!recordLines) {
                status("first record at " + dateTimeText(logger.startTime(), 'T') + " in " +
                       *t.startedFile);
            }
        }
        if (t.ended) {
            const bool ahead = t.messageTextId == DataLogger::kClockJumpText;
            status(
                std::string("orv-tool: the clock ") +
                (ahead ? "jumped ahead by more than 7 days" : "was set back by more than 2 hours") +
                "; the recording was stopped after " + std::to_string(logger.recordCount()) +
                " records in " + logger.filePath());
            return false;
        }
        if (t.messageTextId && !heldReported) {
            heldReported = true;
            status("orv-tool: cannot write " + logger.filePath() + ": " + logger.lastWriteError() +
                   "; the records are held and written when the file takes them again");
        }
        alarmFeed.follow(series.started() ? logger.filePath() : std::string(), logger.startTime());
        if (t.recordsTaken > 0) {
            if (logger.pendingRecords() == 0) {
                heldReported = false;
            }
            recorded(logger, sample, recordLines);
            if (mqtt) {
                mqtt->publish(m, logger.lastRecordTime(),
                              alarms.empty() ? std::nullopt
                                             : std::optional(alarms.evaluator().activeRuleTexts()));
            }
        }
        return true;
    };

    while (gStopSignal == 0) {
        if (const auto refusal = mqtt ? mqtt->serve() : std::nullopt) {
            status("orv-tool: " + *refusal);
            exitStatus = kExitFailure;
            break;
        }
        const auto now = Steady::now();
        if (endAt && now >= *endAt) {
            // A slow machine may not have ticked at the last slot inside the duration yet.
            if (series.started() &&
                (logger.lastRecordTime() - firstRecordTime) * kSecondsPerDay + o.interval <=
                    static_cast<double>(*o.duration)) {
                if (!tick(liveSampleOf(m.onlineData()))) {
                    return kExitFailure;
                }
            }
            break;
        }
        auto wakeAt = std::min(nextLogTick, nextTimeout);
        if (!link.isOpen()) {
            wakeAt = std::min(wakeAt, nextReconnect);
        }
        if (endAt) {
            wakeAt = std::min(wakeAt, *endAt);
        }
        const auto waitMs =
            std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                       wakeAt - now + std::chrono::microseconds(999))
                                       .count());
        if (link.isOpen()) {
            if (const auto text = link.readAvailable(static_cast<int>(waitMs))) {
                if (!text->empty()) {
                    m.ParseFrame(*text);
                }
            } else {
                link.close();
                status("link to " + o.where + " lost (" + link.lostReason() +
                       "); connecting again every 8 s");
                nextReconnect = Steady::now() + kReconnectTick;
            }
        } else {
            ::poll(nullptr, 0, static_cast<int>(waitMs)); // a signal ends the wait early
        }

        const auto after = Steady::now();
        if (!link.isOpen() && after >= nextReconnect) {
            if (link.tryOpen()) {
                status("link to " + o.where + " connected again");
            }
            nextReconnect = after + kReconnectTick;
        }
        if (after >= nextTimeout) {
            m.tmrTimeout_Timer();
            nextTimeout = after + kTimeoutTick;
        }
        if (after < nextLogTick) {
            continue;
        }
        nextLogTick = after + kLogTick;
        const bool wasStarted = series.started();
        if (!tick(liveSampleOf(m.onlineData()))) {
            return kExitFailure;
        }
        if (!wasStarted && series.started() && o.duration) {
            // The record of the last slot inside the duration is still taken.
            endAt = after + std::chrono::seconds(*o.duration) + kLogTick;
        }
    }

    if (mqtt) {
        mqtt->finish();
    }
    alarmFeed.follow(std::string(), 0.0);
    if (series.started()) {
        if (series.stop()) {
            status("orv-tool: cannot write " + logger.filePath() + ": " + logger.lastWriteError());
            exitStatus = kExitFailure;
        }
        status("recording ended: " + std::to_string(logger.recordsOnDisk()) + " records in " +
               logger.filePath());
        return exitStatus;
    }
    failure("no good frame from " + o.where + " before the end; no file written");
}

} // namespace orv::tool
