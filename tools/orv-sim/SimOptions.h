#pragma once

#include "core/SensorFrames.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace orv::sim {

enum class OutputMode { Tcp, Serial, Stdout };

struct SimOptions {
    // What goes into the frames.
    FrameLayout layout = FrameLayout::F;
    std::string serialNumber{kDefaultSerialNumber};
    std::optional<double> temperature; // fixed value instead of the curve
    std::optional<double> humidity;
    std::string scriptPath; // "TEMP RH" lines instead of the curve
    bool repeatScript = false;
    std::uint32_t seed = 1;
    std::string errorTemperature; // error code sent instead of the temperature
    std::string errorHumidity;
    std::uint64_t errorEvery = 1;       // ... in every Nth frame
    std::uint64_t badChecksumEvery = 0; // 0: never
    bool decimalComma = false;
    std::string terminator = "\r\n";

    // How and when frames go out.
    double rate = 1.0; // frames per second
    std::optional<std::uint64_t> count;
    std::size_t batch = 1; // frames per write
    std::size_t split = 0; // bytes per write, 0: whole
    int splitPauseMs = 2;  // pause between the pieces of a split write

    // Where they go.
    OutputMode output = OutputMode::Tcp;
    std::string tcpHost = "127.0.0.1";
    std::uint16_t tcpPort = 31222;
    bool allowRemote = false;
    std::size_t waitClients = 0; // hold the first frame until this many clients are connected
    std::string devicePath;
    bool verbose = false;
};

struct ShowHelp {};
struct UsageError {
    std::string message;
};

using ParseResult = std::variant<SimOptions, ShowHelp, UsageError>;

[[nodiscard]] ParseResult parseSimOptions(const std::vector<std::string>& args);
[[nodiscard]] std::string usageText();

} // namespace orv::sim
