#include "FrameSource.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <sstream>

namespace orv::sim {

namespace {

std::uint64_t splitMix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// A value in [-1, 1] that depends only on its arguments.
double jitter(std::uint64_t index, std::uint32_t seed, std::uint64_t stream) {
    const std::uint64_t bits = splitMix(splitMix((std::uint64_t{seed} << 32) ^ stream) ^ index);
    return static_cast<double>(bits >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

double phase(std::uint32_t seed) {
    return 2 * std::numbers::pi * static_cast<double>(splitMix(seed) % 1000) / 1000.0;
}

double wave(std::uint64_t index, double period, double shift) {
    return std::sin(2 * std::numbers::pi * static_cast<double>(index) / period + shift);
}

std::optional<FieldValue> parseField(const std::string& token, std::string& problem) {
    if (!token.empty() && token[0] == 'A') {
        if (auto bad = checkErrorCode(token)) {
            problem = *bad;
            return std::nullopt;
        }
        return FieldValue{0.0, token};
    }
    double value = 0;
    const auto* end = token.data() + token.size();
    const auto [ptr, ec] = std::from_chars(token.data(), end, value);
    if (ec != std::errc() || ptr != end || value < kMinFieldValue || value > kMaxFieldValue) {
        problem = "\"" + token + "\" is neither a number from -99.9 to 999.9 nor an error code";
        return std::nullopt;
    }
    return FieldValue{value, {}};
}

bool isEvery(std::uint64_t index, std::uint64_t every) {
    return every > 0 && (index + 1) % every == 0;
}

} // namespace

std::variant<std::vector<ScriptLine>, std::string> parseScript(std::string_view text) {
    std::vector<ScriptLine> lines;
    std::istringstream in{std::string(text)};
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string word; words >> word;) {
            tokens.push_back(word);
        }
        if (tokens.empty() || tokens[0][0] == '#') {
            continue;
        }
        const std::string where = "line " + std::to_string(number) + ": ";
        if (tokens.size() != 2) {
            return where + "expected two values, TEMP and RH";
        }
        std::string problem;
        const auto temperature = parseField(tokens[0], problem);
        const auto humidity = temperature ? parseField(tokens[1], problem) : std::nullopt;
        if (!humidity) {
            return where + problem;
        }
        lines.push_back({*temperature, *humidity});
    }
    if (lines.empty()) {
        return std::string("the script holds no values");
    }
    return lines;
}

double curveTemperature(std::uint64_t index, std::uint32_t seed) {
    const double shift = phase(seed);
    return 22.0 + 2.5 * wave(index, 600, shift) + 0.8 * wave(index, 7200, 2 * shift) +
           0.03 * jitter(index, seed, 1);
}

double curveHumidity(std::uint64_t index, std::uint32_t seed) {
    const double shift = phase(seed);
    // Humidity falls as the air warms, so it runs against the temperature's daily wave.
    return 45.0 - 7.0 * wave(index, 600, shift) + 2.0 * wave(index, 4000, 3 * shift) +
           0.1 * jitter(index, seed, 2);
}

FrameSource::FrameSource(SimOptions options, std::vector<ScriptLine> script)
    : options_(std::move(options)), script_(std::move(script)) {}

std::optional<std::string> FrameSource::frameText(std::uint64_t index) const {
    SensorFrame frame;
    frame.layout = options_.layout;
    frame.serialNumber = options_.serialNumber;
    frame.decimalComma = options_.decimalComma;
    if (!script_.empty()) {
        if (index >= script_.size() && !options_.repeatScript) {
            return std::nullopt;
        }
        const ScriptLine& line = script_[index % script_.size()];
        frame.temperature = line.temperature;
        frame.humidity = line.humidity;
    } else {
        frame.temperature.value =
            options_.temperature.value_or(curveTemperature(index, options_.seed));
        frame.humidity.value = options_.humidity.value_or(curveHumidity(index, options_.seed));
    }
    if (isEvery(index, options_.errorEvery)) {
        if (!options_.errorTemperature.empty()) {
            frame.temperature.errorCode = options_.errorTemperature;
        }
        if (!options_.errorHumidity.empty()) {
            frame.humidity.errorCode = options_.errorHumidity;
        }
    }
    frame.badChecksum = isEvery(index, options_.badChecksumEvery);
    return buildSensorFrame(frame, options_.terminator);
}

} // namespace orv::sim
