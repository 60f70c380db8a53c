#include "core/Measurement.h"

#include "core/Clock.h"
#include "core/DewPoint.h"
#include "core/LinkControl.h"
#include "core/LocaleFormat.h"
#include "core/NumberReading.h"
#include "core/Texts.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace orv {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr const char* kNoValue = "--.-";
constexpr const char* kNoValueBox = "--.-   ";

constexpr int kTextMeasuredTemperature = 186;
constexpr int kTextMeasuredHumidity = 188;
constexpr int kTextCalculatedDewPoint = 192;

std::size_t countCrLf(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t at = text.find(kCrLf); at != std::string_view::npos;
         at = text.find(kCrLf, at + 2)) {
        ++n;
    }
    return n;
}

double timeOfDay(double dayNumber) {
    return dayNumber - std::floor(dayNumber);
}

double toFahrenheit(double celsius) {
    return celsius * 1.8 + 32;
}
double toKelvin(double celsius) {
    return celsius + 273.15;
}

} // namespace

Measurement::Measurement(const LocaleFormat& locale, const Texts& texts, const Clock& clock,
                         LinkControl& link)
    : locale_(locale), texts_(texts), clock_(clock), link_(link) {}

const std::string& Measurement::lblSen(int index) const {
    if (index < 0 || index > 1) {
        throw std::out_of_range("lblSen has the indexes 0 and 1");
    }
    return lblSen_[static_cast<std::size_t>(index)];
}

void Measurement::setBox(ValueBox b, std::string text) {
    auto& slot = boxes_[static_cast<std::size_t>(b)];
    slot = std::move(text);
    if (observer_ != nullptr) {
        observer_->valueBoxChanged(b, slot);
    }
}

void Measurement::setOnlineLabel(int index, std::string text) {
    auto& slot = lblSen_[static_cast<std::size_t>(index)];
    slot = std::move(text);
    if (observer_ != nullptr) {
        observer_->onlineLabelChanged(index, slot);
    }
}

std::string Measurement::valueText(const std::optional<float>& value,
                                   const std::string& unit) const {
    return value ? Format1(locale_, *value) + unit : std::string(kNoValue);
}

std::string Measurement::onlineSource(const std::string& serial) const {
    std::string source =
        settings_.LinkMode == 0 ? "COM" + std::to_string(link_.commPort()) : link_.remoteHost();
    if (!serial.empty()) {
        source += " [" + serial + "]";
    }
    return source;
}

void Measurement::showInMonitor() {
    if (!settings_.MonitorActive) {
        MonitorText_.clear();
        monitorLines_ = 0;
        return;
    }
    MonitorText_ += FrameText_;
    MonitorText_ += kCrLf;
    // The frame itself ends in a CR, so the appended CR LF is one more line end.
    monitorLines_ += countCrLf(FrameText_) + 1;
    if (monitorLines_ > kMonitorTextLines) {
        std::size_t cut = 0;
        for (; monitorLines_ > kMonitorTextLines; --monitorLines_) {
            cut = MonitorText_.find(kCrLf, cut) + kCrLf.size();
        }
        MonitorText_.erase(0, cut);
    }
    if (observer_ != nullptr) {
        observer_->monitorTextChanged(MonitorText_);
    }
}

FrameStatus Measurement::ParseFrame(std::string_view InputChunk) {
    if (!rx_.takeNewestFrame(InputChunk, FrameText_)) {
        return FrameStatus::NoFrame;
    }
    if (!frameLengthAccepted(FrameText_.size())) {
        return FrameStatus::Refused;
    }
    const bool checksumGood = frameChecksumMatches(FrameText_);
    receivedFrame_ = FrameText_;
    showInMonitor();
    if (!checksumGood) {
        FrameValid_ = false;
        if (observer_ != nullptr) {
            observer_->beep();
        }
        return FrameStatus::BadChecksum;
    }

    FrameValid_ = true;
    if (!settings_.DecimalComma) {
        std::replace(FrameText_.begin(), FrameText_.end(), ',', '.');
    }
    OnlineData_.shift();
    cutFrameFields(FrameText_, fields_);
    TimeoutTicks_ = 0;
    statusText_ =
        (settings_.LinkMode == 0 ? "COM " + std::to_string(link_.commPort()) : link_.remoteHost()) +
        " online";
    if (observer_ != nullptr) {
        observer_->statusChanged(statusText_);
    }
    FrameReceived_ = true;
    ShowValues(fields_.temperature, fields_.humidity, fields_.serial);
    return FrameStatus::Good;
}

void Measurement::ShowValues(const std::string& TempText, const std::string& HumText,
                             const std::string& SerialText) {
    const float t = ParseSingle(TempText);
    float h = ParseSingle(HumText);
    // An error code ("A" and two characters) stands in for a value the sensor could not take.
    // The dew point needs both readings, so either code leaves it unknown.
    const bool tempError = TempText.find('A') != std::string::npos;
    const bool humError = HumText.find('A') != std::string::npos;
    // The dew point in the display unit; DewPoint may turn a humidity of 0 into 0.01.
    const auto dewPointDisplay = [&]() -> std::optional<double> {
        if (tempError || humError || settings_.unit == TempUnit::None) {
            return std::nullopt;
        }
        const double dp = DewPoint(t, h);
        return settings_.unit == TempUnit::Fahrenheit ? toFahrenheit(dp)
               : settings_.unit == TempUnit::Kelvin   ? toKelvin(dp)
                                                      : dp;
    };
    std::optional<float> tDisp;
    std::optional<float> ch2;
    values_ = {};

    if (tempError) {
        setBox(ValueBox::txtTemp, "Err " + TempText);
    } else {
        switch (settings_.unit) {
        case TempUnit::Celsius:
            LiveTempUnit_ = " °C";
            tDisp = t;
            break;
        case TempUnit::Fahrenheit:
            LiveTempUnit_ = " °F";
            tDisp = static_cast<float>(toFahrenheit(t));
            break;
        case TempUnit::Kelvin:
            LiveTempUnit_ = " K";
            tDisp = static_cast<float>(toKelvin(t));
            break;
        case TempUnit::None:
            break;
        }
        if (const auto dp = dewPointDisplay()) {
            values_.dewPoint = dp;
            setBox(ValueBox::txtTp, Format1(locale_, *dp) + " " + LiveTempUnit_);
        }
        setBox(ValueBox::txtTemp, valueText(tDisp, LiveTempUnit_));
    }

    if (humError) {
        setBox(ValueBox::txtRH, "Err " + HumText);
    } else {
        if (settings_.channel2 == Channel2Mode::Humidity) {
            ch2 = h;
            LiveCh2Unit_ = " %";
        } else {
            LiveCh2Unit_ = LiveTempUnit_;
            if (const auto dp = dewPointDisplay()) {
                ch2 = static_cast<float>(*dp);
            }
        }
        values_.humidity = h;
        setBox(ValueBox::txtRH, Format1(locale_, h) + " %");
    }
    values_.temperature = tDisp;
    values_.channel2 = ch2;

    Sample& newest = OnlineData_.newest();
    newest.timeOfDay = timeOfDay(clock_.now());
    newest.temperature = tDisp;
    newest.channel2 = ch2;
    OnlineData_.labels() = {SerialText, LiveTempUnit_, LiveCh2Unit_};
    if (observer_ != nullptr) {
        observer_->sampleStored();
    }

    if (settings_.minimized) {
        minimizedCaption_ = " " + txtTemp() + " / " + txtRH() + settings_.RecMark;
        if (observer_ != nullptr) {
            observer_->minimizedCaptionChanged(minimizedCaption_);
        }
    }

    if (settings_.onlineShown) {
        setOnlineLabel(0, valueText(tDisp, LiveTempUnit_));
        setOnlineLabel(1, valueText(ch2, LiveCh2Unit_));
        const int ch2Text = LiveCh2Unit_ == " %" ? kTextMeasuredHumidity : kTextCalculatedDewPoint;
        onlineCaption_ = texts_.textOr(kTextMeasuredTemperature, "") + " | " +
                         texts_.textOr(ch2Text, "") + " (" + onlineSource(SerialText) + ")";
        if (observer_ != nullptr) {
            observer_->onlineCaptionChanged(onlineCaption_);
        }
    }
}

void Measurement::tmrTimeout_Timer() {
    if (TimeoutTicks_ < 2) {
        ++TimeoutTicks_;
        return;
    }
    if (link_.serialOpen() || link_.tcpConnected()) {
        statusText_ = "timeout";
        if (observer_ != nullptr) {
            observer_->statusChanged(statusText_);
        }
    }

    // Blanked before the link restarts, so a frame that a restart might deliver at once is not
    // overwritten by the blanks.
    Sample& newest = OnlineData_.newest();
    newest.timeOfDay = timeOfDay(clock_.now());
    newest.temperature.reset();
    newest.channel2.reset();
    if (observer_ != nullptr) {
        observer_->sampleStored();
    }
    setBox(ValueBox::txtTemp, kNoValueBox);
    setBox(ValueBox::txtRH, kNoValueBox);
    setBox(ValueBox::txtTp, kNoValueBox);
    if (settings_.onlineShown) {
        setOnlineLabel(0, kNoValue);
        setOnlineLabel(1, kNoValue);
    }

    if (ParseSingle(settings_.ComPort) != 0.0F) {
        link_.restartSerial();
    }
    if (settings_.LinkMode != 0) {
        link_.restartTcp();
    }
}

} // namespace orv
