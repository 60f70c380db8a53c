// Arbitrary received bytes through the frame parser and the display code, in chunks, with the
// no-data tick in between. The first two bytes choose the settings and the chunk size; a broken
// invariant aborts, so the fuzzer reports it like a crash.
#include "core/Clock.h"
#include "core/FrameParser.h"
#include "core/LinkControl.h"
#include "core/LocaleFormat.h"
#include "core/Measurement.h"
#include "core/Texts.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class FuzzTexts final : public orv::Texts {
public:
    [[nodiscard]] std::optional<std::string> text(int germanId) const override {
        return "text " + std::to_string(germanId);
    }
};

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

std::size_t countLines(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2)) {
        ++n;
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const unsigned mode = data[0];
    const std::size_t chunk = 1 + data[1] % 64;
    const std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);

    orv::GermanFormat german;
    orv::EnglishFormat english;
    FuzzTexts texts;
    orv::ManualClock clock(45000.5);
    orv::LinkControl link;
    const bool comma = (mode >> 3U & 1U) != 0;
    orv::Measurement m(comma ? static_cast<const orv::LocaleFormat&>(german) : english, texts,
                       clock, link);
    auto& s = m.settings();
    s.unit = static_cast<orv::TempUnit>(mode % 4);
    s.channel2 = (mode >> 2U & 1U) != 0 ? orv::Channel2Mode::DewPoint : orv::Channel2Mode::Humidity;
    s.DecimalComma = comma;
    s.MonitorActive = (mode >> 4U & 1U) != 0;
    s.onlineShown = (mode >> 5U & 1U) != 0;
    s.minimized = (mode >> 6U & 1U) != 0;
    s.LinkMode = static_cast<int>(mode >> 7U);

    std::size_t reads = 0;
    for (std::size_t at = 0; at < input.size(); at += chunk) {
        const orv::FrameStatus status = m.ParseFrame(input.substr(at, chunk));
        check(m.RxBuffer().size() <= orv::kRxBufferLimit);
        check(countLines(m.MonitorText()) <= orv::kMonitorTextLines);
        if (status == orv::FrameStatus::Good || status == orv::FrameStatus::BadChecksum) {
            const std::string& frame = m.receivedFrame();
            check(frame.starts_with("@T") && frame.ends_with('\r'));
            check(orv::frameLengthAccepted(frame.size()));
            check(m.FrameValid() == (status == orv::FrameStatus::Good));
        }
        if (status == orv::FrameStatus::Good) {
            check(m.TimeoutTicks() == 0 && m.FrameReceived());
            check(m.onlineData().newest().timeOfDay.has_value());
            check(m.fields().temperature.size() <= 7 && m.fields().humidity.size() <= 6);
            check(!m.txtTemp().empty() && !m.txtRH().empty());
        }
        if (++reads % 5 == 0) {
            clock.advanceSeconds(7);
            m.tmrTimeout_Timer();
            check(m.TimeoutTicks() <= 2);
        }
    }
    return 0;
}
