#include "logging/DataLogger.h"
#include "core/Clock.h"
#include "core/OnlineData.h"
#include "offline/LogTestData.h"
#include "support/TempDir.h"

#include "LoggerTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr double kStart = 38352.375; // 2004-12-31 09:00:00

LiveSample sample(std::optional<float> t, std::optional<float> h) {
    return {t, h, "SN1", " \u00B0C", " %"};
}

struct LoggerFixture : ::testing::Test {
    test::TempDir dir;
    ManualClock clock{kStart};
    StringTable german = test::textsIn("de");
    DataLogger logger{clock, german};
    std::string path = dir.file("rec.dat").string();

    void startRecording(float interval) {
        logger.chooseFile(path, false);
        logger.setInterval(interval);
        ASSERT_EQ(logger.start(sample(20.0f, 50.0f)).outcome, StartOutcome::Started);
    }
    LogData load() { return test::loadOrFail(path); }
};

TEST_F(LoggerFixture, RecordsOnTheGridAndMissedSlotsBecomeAGap) {
    startRecording(10.0f);
    clock.advanceSeconds(9.9);
    EXPECT_EQ(logger.onTimer(sample(21.0f, 41.0f)).recordsTaken, 0);
    clock.advanceSeconds(0.1);
    EXPECT_EQ(logger.onTimer(sample(21.0f, 41.0f)).recordsTaken, 1);
    EXPECT_EQ(logger.statusPanel3(), "Intervall(s): 0 Min 10s Frame: 2 ");
    // ticks arrive late, but the slots stay on start + k * 10 s
    for (int k = 2; k <= 40; ++k) {
        clock.set(kStart + (10.0 * k + 0.07) / 86400.0);
        ASSERT_EQ(logger.onTimer(sample(22.0f, 42.0f)).recordsTaken, 1) << k;
    }
    EXPECT_NEAR((logger.lastRecordTime() - kStart) * 86400.0, 400.0, 1e-6);
    // asleep for a bit over 5 intervals: slots 41..44 missed, slot 45 due now
    clock.advanceSeconds(49.95);
    EXPECT_EQ(logger.onTimer(sample(25.0f, 45.0f)).recordsTaken, 5);
    EXPECT_EQ(logger.onTimer(sample(26.0f, 46.0f)).recordsTaken, 0);
    // a no-data tick (empty history cells) is recorded as NaN, not 0
    clock.advanceSeconds(10.0);
    logger.onTimer(sample(std::nullopt, std::nullopt));

    const LogData log = load();
    const auto t = log.channel(Channel::Temperature);
    const auto h = log.channel(Channel::Channel2);
    ASSERT_EQ(log.size(), 47);
    EXPECT_EQ(t[0], 20.0f);
    EXPECT_EQ(t[1], 21.0f);
    EXPECT_EQ(t[40], 22.0f);
    for (int k = 41; k <= 44; ++k) {
        EXPECT_TRUE(std::isnan(t[k]) && std::isnan(h[k])) << k;
    }
    EXPECT_EQ(t[45], 25.0f);
    EXPECT_EQ(h[45], 45.0f);
    EXPECT_TRUE(std::isnan(t[46]) && std::isnan(h[46]));
    EXPECT_EQ(log.header().text, "SN1     ");
}

TEST_F(LoggerFixture, RecordsTheNewestHistoryRow) {
    OnlineData history;
    history.labels() = {"SN-77", " \u00B0F", " \u00B0F"};
    history.newest() = {0.5, 70.5f, 50.25f};
    logger.chooseFile(path, false);
    logger.setInterval(60.0f);
    ASSERT_EQ(logger.start(liveSampleOf(history)).outcome, StartOutcome::Started);
    history.shift();
    history.newest() = {0.6, std::nullopt, std::nullopt}; // no-data tick
    clock.advanceSeconds(60.0);
    logger.onTimer(liveSampleOf(history));

    const LogData log = load();
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log.header().tempUnitCode, 'F');
    EXPECT_EQ(log.header().ch2UnitCode, 'F');
    EXPECT_EQ(log.header().text, "SN-77   ");
    EXPECT_EQ(log.value(Channel::Temperature, 0), 70.5f);
    EXPECT_EQ(log.value(Channel::Channel2, 0), 50.25f);
    EXPECT_TRUE(std::isnan(log.value(Channel::Temperature, 1)));
}

TEST_F(LoggerFixture, AsksForTheIntervalUntilItIsFiveSecondsOrMore) {
    for (const float interval : {0.0f, 4.9f, std::nanf("")}) {
        logger.setInterval(interval);
        EXPECT_TRUE(logger.chooseFile(path, false));
        EXPECT_EQ(logger.start(sample(20.0f, 50.0f)).outcome, StartOutcome::IntervalTooShort);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    logger.setInterval(5.0f);
    EXPECT_FALSE(logger.chooseFile(path, false));
    // the toolbar's new file always asks, and from then on every new file does
    EXPECT_TRUE(logger.chooseFile(path, true));
    EXPECT_TRUE(logger.chooseFile(path, false));
    EXPECT_EQ(logger.start(sample(20.0f, 50.0f)).outcome, StartOutcome::Started);
}

TEST_F(LoggerFixture, StartingAgainAfterAFinishedRecordingAsksBeforeReplacing) {
    startRecording(30.0f);
    clock.advanceSeconds(30.0);
    logger.onTimer(sample(21.0f, 51.0f));
    EXPECT_FALSE(logger.stop().has_value());
    EXPECT_EQ(logger.state(), LoggerState::Finished);
    EXPECT_EQ(logger.statusPanel2(), "abgeschlossene Logdatei: rec.dat 2 Frames");

    EXPECT_EQ(logger.start(sample(22.0f, 52.0f)).outcome, StartOutcome::ConfirmReplace);
    EXPECT_EQ(load().size(), 2);
    EXPECT_EQ(logger.start(sample(22.0f, 52.0f), true).outcome, StartOutcome::Started);
    EXPECT_EQ(std::filesystem::file_size(path), 55u);
}

TEST_F(LoggerFixture, NoSampleYetOrAnUncreatableFileLeavesTheFileChosen) {
    logger.chooseFile(path, false);
    logger.setInterval(30.0f);
    const auto noSample = logger.start(LiveSample{});
    EXPECT_EQ(noSample.outcome, StartOutcome::NoSample);
    EXPECT_EQ(noSample.messageTextId, 253);
    EXPECT_EQ(logger.statusPanel2(), "inaktiv: rec.dat");

    logger.chooseFile(dir.file("missing/x.dat").string(), false);
    const auto failed = logger.start(sample(20.0f, 50.0f));
    EXPECT_EQ(failed.outcome, StartOutcome::CreateFailed);
    EXPECT_EQ(failed.messageTextId, 253);
    EXPECT_EQ(logger.state(), LoggerState::FileChosen);
    EXPECT_EQ(logger.statusPanel2(), "inaktiv: x.dat");
}

TEST_F(LoggerFixture, AWriteFailureIsReportedOnceAndTheGridIsKept) {
    startRecording(10.0f);
    {
        test::FileSizeLimit diskFull(47 + 8);
        for (int k = 1; k <= 3; ++k) {
            clock.advanceSeconds(10.0);
            const auto tick = logger.onTimer(sample(20.0f + k, 50.0f));
            EXPECT_EQ(tick.messageTextId, k == 1 ? std::optional(253) : std::nullopt) << k;
        }
        EXPECT_EQ(logger.writeFailures(), 3);
        EXPECT_EQ(logger.pendingRecords(), 3);
    }
    clock.advanceSeconds(10.0);
    EXPECT_FALSE(logger.onTimer(sample(24.0f, 50.0f)).messageTextId.has_value());
    EXPECT_EQ(logger.pendingRecords(), 0);
    const LogData log = load();
    ASSERT_EQ(log.size(), 5);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(log.value(Channel::Temperature, k), 20.0f + k);
    }
    // a new run of failures is reported again
    test::FileSizeLimit diskFull(47 + 8 * 5);
    clock.advanceSeconds(10.0);
    EXPECT_EQ(logger.onTimer(sample(25.0f, 50.0f)).messageTextId, 253);
}

TEST_F(LoggerFixture, AnIntervalConfirmedWhileRecordingWaitsForTheNextStart) {
    startRecording(10.0f);
    logger.setInterval(60.0f);
    for (int k = 1; k <= 3; ++k) {
        clock.advanceSeconds(10.0);
        ASSERT_EQ(logger.onTimer(sample(20.0f, 50.0f)).recordsTaken, 1) << k;
    }
    EXPECT_EQ(logger.statusPanel3(), "Intervall(s): 0 Min 10s Frame: 4 ");
    logger.stop();
    EXPECT_EQ(load().header().interval, 10.0f);
    ASSERT_EQ(logger.start(sample(20.0f, 50.0f), true).outcome, StartOutcome::Started);
    EXPECT_EQ(logger.statusPanel3(), "Intervall(s): 1 Min 0s ");
    EXPECT_EQ(load().header().interval, 60.0f);
}

TEST_F(LoggerFixture, ALongGapIsCaughtUpInBoundedStepsAndAHugeJumpEndsTheRecording) {
    // {seconds the clock jumps, records expected after the gap is closed, whether it ends}
    struct Case {
        double jumpSeconds;
        bool ends;
    };
    const Case cases[] = {
        {3.0 * 86400.0, false},  // three days at 5 s: 51840 slots, 13 ticks
        {6.99 * 86400.0, false}, // just inside the limit
        {7.01 * 86400.0, true},  {24.0 * 365.25 * 86400.0, true}, // a clock corrected by 24 years
        {-1.5 * 3600.0, false}, // summer time ends: the grid waits an hour
        {-2.1 * 3600.0, true},  // set back further: the recording would stand still
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jumpSeconds);
        clock.set(kStart);
        logger.stop();
        logger.stop();
        startRecording(5.0f);
        clock.advanceSeconds(5.0);
        ASSERT_EQ(logger.onTimer(sample(21.0f, 51.0f)).recordsTaken, 1);
        clock.advanceSeconds(c.jumpSeconds);
        const auto due = static_cast<std::int64_t>(std::floor((c.jumpSeconds + 5.0) / 5.0 + 1e-6));
        int ticks = 0;
        DataLogger::TickResult tick;
        do {
            tick = logger.onTimer(sample(30.0f, 60.0f));
            ++ticks;
            ASSERT_LE(tick.recordsTaken, DataLogger::kCatchUpRecords);
            ASSERT_LE(logger.pendingRecords(), 0);
        } while (tick.recordsTaken == DataLogger::kCatchUpRecords && ticks < 100000);
        if (c.ends) {
            EXPECT_TRUE(tick.ended);
            EXPECT_EQ(tick.messageTextId,
                      c.jumpSeconds > 0 ? DataLogger::kClockJumpText : DataLogger::kClockBackText);
            EXPECT_EQ(ticks, 1);
            EXPECT_EQ(logger.state(), LoggerState::Finished);
            EXPECT_EQ(std::filesystem::file_size(path), 47u + 2 * 8);
            EXPECT_EQ(logger.onTimer(sample(30.0f, 60.0f)).recordsTaken, 0);
            continue;
        }
        EXPECT_FALSE(tick.ended);
        if (c.jumpSeconds < 0) {
            // set back a little: nothing until the clock reaches the next slot again
            EXPECT_EQ(logger.recordCount(), 2);
            clock.advanceSeconds(-c.jumpSeconds - 0.1);
            EXPECT_EQ(logger.onTimer(sample(30.0f, 60.0f)).recordsTaken, 0);
            clock.advanceSeconds(5.1);
            EXPECT_EQ(logger.onTimer(sample(30.0f, 60.0f)).recordsTaken, 1);
            continue;
        }
        EXPECT_EQ(logger.recordCount(), due + 1);
        EXPECT_EQ(ticks, (due - 2) / DataLogger::kCatchUpRecords + 1);
        // caught up: the next tick within the interval writes nothing
        EXPECT_EQ(logger.onTimer(sample(30.0f, 60.0f)).recordsTaken, 0);
        logger.stop();
        const LogData log = load();
        ASSERT_EQ(log.size(), due + 1);
        EXPECT_EQ(log.value(Channel::Temperature, 1), 21.0f);
        EXPECT_TRUE(std::isnan(log.value(Channel::Temperature, 2)));
        EXPECT_TRUE(std::isnan(log.value(Channel::Channel2, due - 1)));
        EXPECT_EQ(log.value(Channel::Temperature, due), 30.0f);
        EXPECT_NEAR((log.header().recordTime(due) - clock.now()) * 86400.0, 0.0, 5.0);
    }
}

TEST_F(LoggerFixture, HeldRecordsStayBoundedWhileTheDiskRefusesThem) {
    startRecording(5.0f);
    {
        test::FileSizeLimit diskFull(47 + 8);
        clock.advanceSeconds(5.0 * 100000); // under 7 days
        for (int k = 0; k < 40; ++k) {
            logger.onTimer(sample(20.0f, 50.0f));
            ASSERT_LE(logger.pendingRecords(),
                      DataLogger::kMaxHeldRecords + DataLogger::kCatchUpRecords);
        }
        EXPECT_GT(logger.pendingRecords(), DataLogger::kMaxHeldRecords - 1);
    }
    // the disk takes records again: the grid catches up to the clock
    for (int k = 0; k < 100 && logger.onTimer(sample(22.0f, 52.0f)).recordsTaken > 0; ++k) {
    }
    EXPECT_EQ(logger.pendingRecords(), 0);
    EXPECT_EQ(logger.recordCount(), 100001);
    EXPECT_EQ(logger.recordsOnDisk(), 100001);
}

TEST_F(LoggerFixture, CommandsAndStatusFollowTheState) {
    auto flags = [&] {
        const LoggerCommands c = logger.commands();
        return std::string{c.newFile ? 'N' : '-', c.start ? 'S' : '-', c.close ? 'C' : '-',
                           c.port ? 'P' : '-', c.displaySettings ? 'D' : '-'};
    };
    EXPECT_EQ(flags(), "N--PD");
    EXPECT_EQ(logger.statusPanel2(), " inaktiv (keine Datei geöffnet) ");
    startRecording(90.0f);
    EXPECT_EQ(flags(), "--C--");
    EXPECT_EQ(logger.statusPanel2(), "aktiv: rec.dat");
    EXPECT_EQ(logger.statusPanel3(), "Intervall(s): 1 Min 30s ");
    EXPECT_EQ(logger.recMark(), "  (Rec)");
    logger.stop();
    EXPECT_EQ(flags(), "NSC-D");
    EXPECT_EQ(logger.statusPanel3(), "");
    EXPECT_EQ(logger.recMark(), "");
    logger.stop();
    EXPECT_EQ(flags(), "N--PD");
    EXPECT_EQ(logger.start(sample(1.0f, 1.0f)).outcome, StartOutcome::NoFileChosen);
}

TEST(DataLoggerTexts, StatusPanelsInEnglish) {
    test::TempDir dir;
    ManualClock clock(kStart);
    const StringTable english = test::textsIn("eng");
    DataLogger logger(clock, english);
    EXPECT_EQ(logger.statusPanel2(), " inactive (no open file) ");
    logger.chooseFile(dir.file("f.dat").string(), false);
    logger.setInterval(6.5f); // shown in whole seconds, halves to even
    EXPECT_EQ(logger.statusPanel2(), "inactive: f.dat");
    ASSERT_EQ(logger.start(sample(1.0f, 2.0f)).outcome, StartOutcome::Started);
    EXPECT_EQ(logger.statusPanel2(), "active: f.dat");
    EXPECT_EQ(logger.statusPanel3(), "Interval(s): 0 Min 6s ");
    logger.stop();
    EXPECT_EQ(logger.statusPanel2(), "finished logfile: f.dat 1 Frames");
}

} // namespace
} // namespace orv
