#pragma once

#include "SimOptions.h"

#include "core/SensorFrames.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orv::sim {

struct ScriptLine {
    FieldValue temperature;
    FieldValue humidity;
};

// Script text: one "TEMP RH" pair per line, each a number with a decimal point or an error code
// such as A03. Blank lines and lines starting with "#" are skipped. On a bad line the result is
// a message naming its line number.
[[nodiscard]] std::variant<std::vector<ScriptLine>, std::string> parseScript(std::string_view text);

// The default values: a slow "day" of 600 frames with a slower drift on top and a small jitter.
// They depend on nothing but the frame index and the seed, so every run repeats them exactly.
[[nodiscard]] double curveTemperature(std::uint64_t index, std::uint32_t seed);
[[nodiscard]] double curveHumidity(std::uint64_t index, std::uint32_t seed);

// The frame with a given index (0 = first frame sent), with error codes and bad checksums
// injected where the options ask for them.
class FrameSource {
public:
    FrameSource(SimOptions options, std::vector<ScriptLine> script);

    // nullopt once a script without --repeat has run out.
    [[nodiscard]] std::optional<std::string> frameText(std::uint64_t index) const;

private:
    SimOptions options_;
    std::vector<ScriptLine> script_;
};

} // namespace orv::sim
