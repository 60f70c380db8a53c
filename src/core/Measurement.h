#pragma once

#include "core/FrameParser.h"
#include "core/MeasurementObserver.h"
#include "core/OnlineData.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

class Clock;
class LinkControl;
class LocaleFormat;
class Texts;

// The display settings: temperature unit (optTCF) and the meaning of channel 2 (optFT).
// `None` stands for no unit option set; the temperature then has no display value.
enum class TempUnit { None, Celsius, Fahrenheit, Kelvin };
enum class Channel2Mode { Humidity, DewPoint };

// Inputs read afresh at every frame and tick; the windows keep them current.
struct MeasurementSettings {
    TempUnit unit = TempUnit::Celsius;
    Channel2Mode channel2 = Channel2Mode::Humidity;
    int LinkMode = 0;          // 0 serial link, any other value the network link
    std::string ComPort = "0"; // serial port number as text, "0" for none
    bool DecimalComma = false; // the system number format uses a decimal comma
    bool MonitorActive = false;
    bool onlineShown = false; // mnuOnline is ticked
    bool minimized = false;   // the main window is minimized
    std::string RecMark;      // "  (Rec)" while recording, else empty
};

// What the latest ParseFrame call did.
enum class FrameStatus {
    NoFrame,     // no complete frame yet; the text waits in RxBuffer
    Refused,     // a frame of a refused length was cut out and dropped silently
    BadChecksum, // shown in the monitor, beeped, values unchanged
    Good,        // shown, and its values taken over
};

// The numbers behind the display texts of the latest ShowValues call. Empty where the sensor
// sent an error code or the value cannot be had.
struct SampleValues {
    std::optional<float> temperature; // tDisp, in the display unit
    std::optional<float> humidity;    // % (0.01 when the sensor said 0)
    std::optional<double> dewPoint;   // in the display unit, as shown in txtTp
    std::optional<float> channel2;    // ch2
};

// The live measurement: receives sensor text, turns the newest good frame into display values
// and history samples, and supervises that frames keep coming. Everything happens on the caller's
// thread; the window layer calls ParseFrame from its serial and socket handlers, and
// tmrTimeout_Timer every 7 seconds, and shows what the observer reports (or reads the texts).
//
// The locale, texts, clock and link are borrowed and must outlive the measurement.
class Measurement {
public:
    Measurement(const LocaleFormat& locale, const Texts& texts, const Clock& clock,
                LinkControl& link);

    // Nullptr (the default) silences notifications.
    void setObserver(MeasurementObserver* observer) { observer_ = observer; }

    [[nodiscard]] MeasurementSettings& settings() { return settings_; }
    [[nodiscard]] const MeasurementSettings& settings() const { return settings_; }

    // Runs once per read with the text just read (`InputChunk`): takes the newest complete
    // frame, checks it, shows it in the monitor, and hands a good frame's fields to ShowValues.
    FrameStatus ParseFrame(std::string_view InputChunk);

    // Turns the three field texts of a good frame into display texts and the newest history row.
    void ShowValues(const std::string& TempText, const std::string& HumText,
                    const std::string& SerialText);

    // The no-data supervision, every 7 seconds: from the third tick without a good frame on,
    // the values are blanked, the newest history row is emptied and the link is restarted.
    void tmrTimeout_Timer();

    [[nodiscard]] const std::string& RxBuffer() const { return rx_.text(); }
    // The frame cut out by the latest call, with commas turned into points for a good frame
    // unless the system uses a decimal comma.
    [[nodiscard]] const std::string& FrameText() const { return FrameText_; }
    // The latest frame that passed the length check, exactly as received.
    [[nodiscard]] const std::string& receivedFrame() const { return receivedFrame_; }
    // Frames shown while the monitor was active, each followed by CR LF; the newest 200 lines.
    [[nodiscard]] const std::string& MonitorText() const { return MonitorText_; }
    [[nodiscard]] bool FrameValid() const { return FrameValid_; }
    [[nodiscard]] bool FrameReceived() const { return FrameReceived_; }
    // The serial port search clears it before it listens on a port.
    void clearFrameReceived() { FrameReceived_ = false; }
    [[nodiscard]] int TimeoutTicks() const { return TimeoutTicks_; }

    // Fields 1..3 of the latest good frame.
    [[nodiscard]] const FrameFields& fields() const { return fields_; }
    [[nodiscard]] const SampleValues& values() const { return values_; }

    [[nodiscard]] const OnlineData& onlineData() const { return OnlineData_; }
    [[nodiscard]] OnlineData& onlineData() { return OnlineData_; }
    [[nodiscard]] const std::string& LiveTempUnit() const { return LiveTempUnit_; }
    [[nodiscard]] const std::string& LiveCh2Unit() const { return LiveCh2Unit_; }

    [[nodiscard]] const std::string& txtTemp() const { return box(ValueBox::txtTemp); }
    [[nodiscard]] const std::string& txtRH() const { return box(ValueBox::txtRH); }
    [[nodiscard]] const std::string& txtTp() const { return box(ValueBox::txtTp); }
    [[nodiscard]] const std::string& statusText() const { return statusText_; }
    [[nodiscard]] const std::string& lblSen(int index) const;
    [[nodiscard]] const std::string& onlineCaption() const { return onlineCaption_; }
    [[nodiscard]] const std::string& minimizedCaption() const { return minimizedCaption_; }

private:
    [[nodiscard]] const std::string& box(ValueBox b) const {
        return boxes_[static_cast<std::size_t>(b)];
    }
    void setBox(ValueBox b, std::string text);
    void setOnlineLabel(int index, std::string text);
    void showInMonitor();
    // The value with its unit, or "--.-" when there is none.
    [[nodiscard]] std::string valueText(const std::optional<float>& value,
                                        const std::string& unit) const;
    [[nodiscard]] std::string onlineSource(const std::string& serial) const;

    const LocaleFormat& locale_;
    const Texts& texts_;
    const Clock& clock_;
    LinkControl& link_;
    MeasurementObserver* observer_ = nullptr;
    MeasurementSettings settings_;

    ReceiveBuffer rx_;
    std::string FrameText_;
    std::string receivedFrame_;
    std::string MonitorText_;
    std::size_t monitorLines_ = 0;
    bool FrameValid_ = false;
    bool FrameReceived_ = false;
    int TimeoutTicks_ = 0;
    FrameFields fields_;
    SampleValues values_;

    OnlineData OnlineData_;
    std::string LiveTempUnit_;
    std::string LiveCh2Unit_;

    std::array<std::string, 3> boxes_{"--.- °C", "--.- %", "--.- °C"};
    std::string statusText_;
    std::array<std::string, 2> lblSen_;
    std::string onlineCaption_;
    std::string minimizedCaption_;
};

// MonitorText keeps at most this many of its newest lines.
inline constexpr std::size_t kMonitorTextLines = 200;

} // namespace orv
