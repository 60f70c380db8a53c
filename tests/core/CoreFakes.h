#pragma once

#include "core/Clock.h"
#include "core/FrameChecksum.h"
#include "core/LinkControl.h"
#include "core/LocaleFormat.h"
#include "core/Measurement.h"
#include "core/MeasurementObserver.h"
#include "state/StringTable.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orv::test {

class FakeLink final : public LinkControl {
public:
    int port = 3;
    std::string host = "127.0.0.1";
    bool open = false;
    bool connected = false;
    int serialRestarts = 0;
    int tcpRestarts = 0;

    [[nodiscard]] int commPort() const override { return port; }
    [[nodiscard]] std::string remoteHost() const override { return host; }
    [[nodiscard]] bool serialOpen() const override { return open; }
    [[nodiscard]] bool tcpConnected() const override { return connected; }
    void restartSerial() override { ++serialRestarts; }
    void restartTcp() override { ++tcpRestarts; }
};

class RecordingObserver final : public MeasurementObserver {
public:
    int beeps = 0;
    int samplesStored = 0;
    std::vector<std::string> events; // "what=text", in the order they came

    void valueBoxChanged(ValueBox box, const std::string& text) override {
        static const char* names[] = {"txtTemp", "txtRH", "txtTp"};
        events.push_back(std::string(names[static_cast<int>(box)]) + "=" + text);
    }
    void statusChanged(const std::string& text) override { events.push_back("status=" + text); }
    void onlineLabelChanged(int index, const std::string& text) override {
        events.push_back("lblSen" + std::to_string(index) + "=" + text);
    }
    void onlineCaptionChanged(const std::string& text) override {
        events.push_back("online=" + text);
    }
    void minimizedCaptionChanged(const std::string& text) override {
        events.push_back("caption=" + text);
    }
    void monitorTextChanged(const std::string& text) override {
        events.push_back("monitor=" + text);
    }
    void beep() override { ++beeps; }
    void sampleStored() override { ++samplesStored; }
};

// A measurement with the program's string table in one language, a manual clock at 06:00, a fake
// link and an observer that records everything it is told.
struct MeasurementRig {
    explicit MeasurementRig(bool german = false)
        : texts(tableIn(german)),
          m(german ? static_cast<const LocaleFormat&>(de) : en, texts, clock, link) {
        m.setObserver(&seen);
    }
    static StringTable tableIn(bool german) {
        StringTable table;
        table.selectLanguage(german ? "de" : "eng");
        return table;
    }

    GermanFormat de;
    EnglishFormat en;
    StringTable texts;
    ManualClock clock{45000.25};
    FakeLink link;
    RecordingObserver seen;
    Measurement m;
};

// A frame with a correct checksum around `body` ("@T..." up to the checksum digits).
inline std::string frameOf(std::string_view body, std::string_view terminator = "\r") {
    auto frame = buildFrame(body, terminator);
    if (!frame) {
        throw std::invalid_argument("refused frame length for body " + std::string(body));
    }
    return *frame;
}

// A 40-character F-layout frame: temperature field 7 wide, humidity 6, serial at 29.
inline std::string fFrame(std::string_view temp, std::string_view hum,
                          std::string_view serial = "SIM00001",
                          std::string_view terminator = "\r") {
    return frameOf("@T;" + std::string(temp) + ";C;F;" + std::string(hum) + ";%;S/N;" +
                       std::string(serial) + ";",
                   terminator);
}

// A short H-layout frame.
inline std::string hFrame(std::string_view temp, std::string_view hum,
                          std::string_view terminator = "\r") {
    return frameOf("@T;" + std::string(temp) + ";H;" + std::string(hum) + ";", terminator);
}

} // namespace orv::test
