#include "CoreFakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace orv {
namespace {

using test::fFrame;
using test::frameOf;
using test::hFrame;

class MeasurementTest : public ::testing::Test, protected test::MeasurementRig {
protected:
    [[nodiscard]] auto monitorLines() const {
        return std::count(m.MonitorText().begin(), m.MonitorText().end(), '\n');
    }
};

TEST_F(MeasurementTest, GoodFramesShiftTheHistoryOneRowEach) {
    const float temps[] = {20.5F, 21.5F, 22.5F};
    for (const float t : temps) {
        clock.advanceSeconds(1);
        ASSERT_EQ(m.ParseFrame(fFrame("+0" + std::to_string(t).substr(0, 4) + "0", "050.00")),
                  FrameStatus::Good);
    }
    EXPECT_EQ(m.onlineData().row(248).temperature, 20.5F);
    EXPECT_EQ(m.onlineData().row(249).temperature, 21.5F);
    EXPECT_EQ(m.onlineData().row(250).temperature, 22.5F);
    EXPECT_FALSE(m.onlineData().row(247).timeOfDay.has_value());
    EXPECT_NEAR(*m.onlineData().row(250).timeOfDay - *m.onlineData().row(249).timeOfDay,
                1.0 / 86400, 1e-9);
    EXPECT_EQ(seen.samplesStored, 3);
}

TEST_F(MeasurementTest, BadChecksumBeepsAndChangesNoValue) {
    m.settings().MonitorActive = true;
    ASSERT_EQ(m.ParseFrame(hFrame("+21.0", "50.0")), FrameStatus::Good);
    const Sample before = m.onlineData().newest();
    m.tmrTimeout_Timer();
    std::string bad = hFrame("+30.0", "10.0");
    bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';

    EXPECT_EQ(m.ParseFrame(bad), FrameStatus::BadChecksum);
    EXPECT_EQ(seen.beeps, 1);
    EXPECT_FALSE(m.FrameValid());
    EXPECT_EQ(m.txtTemp(), "21.0 °C");
    EXPECT_EQ(m.onlineData().newest(), before);
    EXPECT_EQ(m.onlineData().row(249), Sample{}); // not shifted
    EXPECT_EQ(m.TimeoutTicks(), 1);
    EXPECT_EQ(m.MonitorText(), hFrame("+21.0", "50.0") + "\r\n" + bad + "\r\n");

    // A refused length makes no sound and is not shown.
    EXPECT_EQ(m.ParseFrame("@T;+23.45;H;045.67;00\r"), FrameStatus::Refused);
    EXPECT_EQ(seen.beeps, 1);
    EXPECT_TRUE(m.MonitorText().ends_with(bad + "\r\n"));
}

TEST_F(MeasurementTest, MonitorShowsTheFrameAsReceivedWithItsComma) {
    m.settings().MonitorActive = true;
    const std::string frame = hFrame("+23,4", "45,6");
    ASSERT_EQ(m.ParseFrame(frame), FrameStatus::Good);
    EXPECT_EQ(m.MonitorText(), frame + "\r\n");
    EXPECT_EQ(seen.events.front(), "monitor=" + frame + "\r\n");
    std::string withPoints = frame;
    std::replace(withPoints.begin(), withPoints.end(), ',', '.');
    EXPECT_EQ(m.FrameText(), withPoints);
    EXPECT_EQ(m.txtTemp(), "23.4 °C");
}

TEST_F(MeasurementTest, MonitorTextKeepsItsNewest200LinesAndEmptiesWhenClosed) {
    m.settings().MonitorActive = true;
    for (int i = 0; i < 250; ++i) {
        char hum[8];
        std::snprintf(hum, sizeof hum, "%04.1f", i / 10.0);
        ASSERT_EQ(m.ParseFrame(hFrame("+21.0", hum)), FrameStatus::Good);
    }
    EXPECT_EQ(monitorLines(), 200);
    EXPECT_EQ(m.MonitorText().rfind(hFrame("+21.0", "05.0") + "\r\n", 0), 0U);
    EXPECT_TRUE(m.MonitorText().ends_with(hFrame("+21.0", "24.9") + "\r\n"));

    m.settings().MonitorActive = false;
    ASSERT_EQ(m.ParseFrame(hFrame("+21.0", "50.0")), FrameStatus::Good);
    EXPECT_EQ(m.MonitorText(), "");
    m.settings().MonitorActive = true;
    ASSERT_EQ(m.ParseFrame(hFrame("+21.0", "50.0")), FrameStatus::Good);
    EXPECT_EQ(monitorLines(), 1);
}

TEST_F(MeasurementTest, ReceiveBufferKeepsTheNewest4KiBOfNoise) {
    std::string noise;
    for (int i = 0; noise.size() < 10000; ++i) {
        noise += "noise " + std::to_string(i) + "\r\n";
    }
    EXPECT_EQ(m.ParseFrame(noise.substr(0, 5000)), FrameStatus::NoFrame);
    EXPECT_EQ(m.ParseFrame(noise.substr(5000)), FrameStatus::NoFrame);
    EXPECT_EQ(m.RxBuffer().size(), kRxBufferLimit);
    EXPECT_TRUE(noise.ends_with(m.RxBuffer()));
    // A frame at the end of an oversized read is still found.
    EXPECT_EQ(m.ParseFrame(noise + hFrame("+21.0", "50.0")), FrameStatus::Good);
    EXPECT_EQ(m.RxBuffer(), "");
}

TEST_F(MeasurementTest, ErrorCodeKeepsTheLastDewPointAndUnit) {
    ASSERT_EQ(m.ParseFrame(hFrame("+21.0", "50.0")), FrameStatus::Good);
    m.settings().unit = TempUnit::Kelvin;
    ASSERT_EQ(m.ParseFrame(frameOf("@T;A03;H;45.6;")), FrameStatus::Good);
    EXPECT_EQ(m.txtTemp(), "Err A03");
    EXPECT_EQ(m.txtTp(), "10.1  °C");
    EXPECT_EQ(m.LiveTempUnit(), " °C");
    EXPECT_FALSE(m.onlineData().newest().temperature.has_value());
    EXPECT_EQ(m.onlineData().newest().channel2, 45.6F);
    EXPECT_EQ(m.onlineData().row(249).temperature, 21.0F);
}

TEST_F(MeasurementTest, StatusNamesTheSerialPortOrTheHost) {
    ASSERT_EQ(m.ParseFrame(hFrame("+21.0", "50.0")), FrameStatus::Good);
    EXPECT_EQ(m.statusText(), "COM 3 online");
    m.settings().LinkMode = 1;
    link.host = "sensor.local";
    ASSERT_EQ(m.ParseFrame(hFrame("+21.0", "50.0")), FrameStatus::Good);
    EXPECT_EQ(m.statusText(), "sensor.local online");
    EXPECT_EQ(std::count(seen.events.begin(), seen.events.end(), "status=COM 3 online"), 1);
    EXPECT_TRUE(m.FrameReceived());
    m.clearFrameReceived();
    EXPECT_FALSE(m.FrameReceived());
}

TEST_F(MeasurementTest, ThirdSilentTickBlanksValuesAndRestartsTheLink) {
    m.settings().onlineShown = true;
    m.settings().ComPort = "3";
    link.open = true;
    ASSERT_EQ(m.ParseFrame(hFrame("+21.0", "50.0")), FrameStatus::Good);
    const Sample previous = m.onlineData().row(249);

    m.tmrTimeout_Timer();
    m.tmrTimeout_Timer();
    EXPECT_EQ(m.TimeoutTicks(), 2);
    EXPECT_EQ(m.txtTemp(), "21.0 °C");
    EXPECT_EQ(link.serialRestarts, 0);

    clock.advanceSeconds(21);
    seen.events.clear();
    m.tmrTimeout_Timer();
    EXPECT_EQ(m.TimeoutTicks(), 2);
    EXPECT_EQ(m.txtTemp(), "--.-   ");
    EXPECT_EQ(m.txtRH(), "--.-   ");
    EXPECT_EQ(m.txtTp(), "--.-   ");
    EXPECT_EQ(m.lblSen(0), "--.-");
    EXPECT_EQ(m.lblSen(1), "--.-");
    EXPECT_EQ(m.statusText(), "timeout");
    EXPECT_EQ(link.serialRestarts, 1);
    EXPECT_EQ(link.tcpRestarts, 0);
    const Sample& newest = m.onlineData().newest();
    EXPECT_NEAR(*newest.timeOfDay, 0.25 + 21.0 / 86400, 1e-9);
    EXPECT_FALSE(newest.temperature.has_value());
    EXPECT_FALSE(newest.channel2.has_value());
    EXPECT_EQ(m.onlineData().row(249), previous); // overwritten, not shifted in
    EXPECT_EQ(seen.events.front(), "status=timeout");

    m.tmrTimeout_Timer();
    EXPECT_EQ(link.serialRestarts, 2);

    ASSERT_EQ(m.ParseFrame(hFrame("+21.0", "50.0")), FrameStatus::Good);
    EXPECT_EQ(m.TimeoutTicks(), 0);
    m.tmrTimeout_Timer();
    m.tmrTimeout_Timer();
    EXPECT_EQ(link.serialRestarts, 2);
}

TEST_F(MeasurementTest, SilentTicksRestartWhatIsConfigured) {
    struct Case {
        int linkMode;
        const char* comPort;
        bool open;
        bool connected;
        int serialRestarts;
        int tcpRestarts;
        bool timeoutShown;
    };
    const Case cases[] = {
        {0, "0", false, false, 0, 0, false}, {0, "5", false, false, 1, 0, false},
        {1, "0", false, true, 0, 1, true},   {2, "0", false, false, 0, 1, false},
        {1, "2", true, false, 1, 1, true},   {0, "COM1", false, false, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.linkMode) + " " + c.comPort);
        test::MeasurementRig r;
        r.link.open = c.open;
        r.link.connected = c.connected;
        r.m.settings().LinkMode = c.linkMode;
        r.m.settings().ComPort = c.comPort;
        for (int i = 0; i < 3; ++i) {
            r.m.tmrTimeout_Timer();
        }
        EXPECT_EQ(r.link.serialRestarts, c.serialRestarts);
        EXPECT_EQ(r.link.tcpRestarts, c.tcpRestarts);
        EXPECT_EQ(r.m.statusText() == "timeout", c.timeoutShown);
        EXPECT_EQ(r.m.txtTemp(), "--.-   ");
    }
}

} // namespace
} // namespace orv
