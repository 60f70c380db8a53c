#pragma once

#include <string>

namespace orv {

// The boxes of the main window that show the live values.
enum class ValueBox { txtTemp, txtRH, txtTp };

// Told about every display text the measurement sets, so a window updates just the widget that
// was written. Each call comes when the text is set, even if it equals the previous one: other
// code may have written the same widget in between (the status panel in particular). Calls come
// from inside ParseFrame and tmrTimeout_Timer; an observer must not call those back.
class MeasurementObserver {
public:
    virtual ~MeasurementObserver() = default;

    virtual void valueBoxChanged(ValueBox /*box*/, const std::string& /*text*/) {}
    // The fifth panel of the status bar: "COM n online", "<host> online" or "timeout".
    virtual void statusChanged(const std::string& /*text*/) {}
    // Only while the online values window is shown: its labels lblSen(0), lblSen(1) and caption.
    virtual void onlineLabelChanged(int /*index*/, const std::string& /*text*/) {}
    virtual void onlineCaptionChanged(const std::string& /*text*/) {}
    // Only while the main window is minimized.
    virtual void minimizedCaptionChanged(const std::string& /*text*/) {}
    // Only while the monitor is active: the whole monitor text.
    virtual void monitorTextChanged(const std::string& /*text*/) {}
    // A frame with a bad checksum arrived.
    virtual void beep() {}
    // The newest history row was written (a good frame or a no-data tick).
    virtual void sampleStored() {}
};

} // namespace orv
