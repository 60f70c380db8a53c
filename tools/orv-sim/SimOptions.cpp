#include "SimOptions.h"

#include <arpa/inet.h>

#include <charconv>
#include <functional>
#include <map>

namespace orv::sim {

namespace {

std::optional<double> toDouble(const std::string& text) {
    double value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> toCount(const std::string& text, std::uint64_t min,
                                     std::uint64_t max) {
    std::uint64_t value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

bool isLoopback(const std::string& dottedIPv4) {
    in_addr addr{};
    return inet_pton(AF_INET, dottedIPv4.c_str(), &addr) == 1 && (ntohl(addr.s_addr) >> 24) == 127;
}

// Parsers for one option value; each returns an error message or nothing.
using Handler = std::function<std::optional<std::string>(SimOptions&, const std::string&)>;

template <typename Count>
Handler countInto(Count SimOptions::*field, std::uint64_t min, std::uint64_t max) {
    return [=](SimOptions& o, const std::string& v) -> std::optional<std::string> {
        const auto n = toCount(v, min, max);
        if (!n) {
            return "must be a whole number from " + std::to_string(min) + " to " +
                   std::to_string(max);
        }
        o.*field = static_cast<Count>(*n);
        return std::nullopt;
    };
}

Handler reading(std::optional<double> SimOptions::*field) {
    return [=](SimOptions& o, const std::string& v) -> std::optional<std::string> {
        const auto x = toDouble(v);
        if (!x || *x < kMinFieldValue || *x > kMaxFieldValue) {
            return "must be a number from -99.9 to 999.9 (with a decimal point)";
        }
        o.*field = *x;
        return std::nullopt;
    };
}

Handler errorCode(std::string SimOptions::*field) {
    return [=](SimOptions& o, const std::string& v) -> std::optional<std::string> {
        if (auto problem = checkErrorCode(v)) {
            return problem;
        }
        o.*field = v;
        return std::nullopt;
    };
}

std::optional<std::string> parseTcp(SimOptions& o, const std::string& v) {
    const auto colon = v.rfind(':');
    if (colon == std::string::npos) {
        return "must be HOST:PORT, e.g. 127.0.0.1:31222";
    }
    std::string host = v.substr(0, colon);
    if (host == "localhost") {
        host = "127.0.0.1";
    }
    in_addr addr{};
    if (inet_pton(AF_INET, host.c_str(), &addr) != 1) {
        return "host must be a dotted IPv4 address or localhost";
    }
    const auto port = toCount(v.substr(colon + 1), 0, 65535);
    if (!port) {
        return "port must be a number from 0 to 65535";
    }
    o.output = OutputMode::Tcp;
    o.tcpHost = host;
    o.tcpPort = static_cast<std::uint16_t>(*port);
    return std::nullopt;
}

const std::map<std::string, Handler>& valueOptions() {
    static const std::map<std::string, Handler> options = {
        {"--layout",
         [](SimOptions& o, const std::string& v) -> std::optional<std::string> {
             if (v != "F" && v != "H") {
                 return "must be F or H";
             }
             o.layout = v == "F" ? FrameLayout::F : FrameLayout::H;
             return std::nullopt;
         }},
        {"--serial-number",
         [](SimOptions& o, const std::string& v) -> std::optional<std::string> {
             if (auto problem = checkSerialNumber(v)) {
                 return problem;
             }
             o.serialNumber = v;
             return std::nullopt;
         }},
        {"--temp", reading(&SimOptions::temperature)},
        {"--rh", reading(&SimOptions::humidity)},
        {"--script",
         [](SimOptions& o, const std::string& v) -> std::optional<std::string> {
             o.scriptPath = v;
             return std::nullopt;
         }},
        {"--seed",
         [](SimOptions& o, const std::string& v) -> std::optional<std::string> {
             const auto n = toCount(v, 0, 0xffffffffu);
             if (!n) {
                 return "must be a whole number from 0 to 4294967295";
             }
             o.seed = static_cast<std::uint32_t>(*n);
             return std::nullopt;
         }},
        {"--error-temp", errorCode(&SimOptions::errorTemperature)},
        {"--error-rh", errorCode(&SimOptions::errorHumidity)},
        {"--error-every", countInto(&SimOptions::errorEvery, 1, 1'000'000'000)},
        {"--bad-checksum-every", countInto(&SimOptions::badChecksumEvery, 1, 1'000'000'000)},
        {"--rate",
         [](SimOptions& o, const std::string& v) -> std::optional<std::string> {
             const auto x = toDouble(v);
             if (!x || !(*x >= 0.001 && *x <= 10000)) {
                 return "must be a number of frames per second from 0.001 to 10000";
             }
             o.rate = *x;
             return std::nullopt;
         }},
        {"--count",
         [](SimOptions& o, const std::string& v) -> std::optional<std::string> {
             const auto n = toCount(v, 1, 1'000'000'000'000);
             if (!n) {
                 return "must be a whole number of frames, at least 1";
             }
             o.count = *n;
             return std::nullopt;
         }},
        {"--batch", countInto(&SimOptions::batch, 1, 1000)},
        {"--split", countInto(&SimOptions::split, 0, 65536)},
        {"--split-pause",
         [](SimOptions& o, const std::string& v) -> std::optional<std::string> {
             const auto n = toCount(v, 0, 1000);
             if (!n) {
                 return "must be a number of milliseconds from 0 to 1000";
             }
             o.splitPauseMs = static_cast<int>(*n);
             return std::nullopt;
         }},
        {"--tcp", parseTcp},
        {"--wait-clients", countInto(&SimOptions::waitClients, 0, 64)},
        {"--serial",
         [](SimOptions& o, const std::string& v) -> std::optional<std::string> {
             if (v.empty()) {
                 return "needs a device path";
             }
             o.output = OutputMode::Serial;
             o.devicePath = v;
             return std::nullopt;
         }},
    };
    return options;
}

const std::map<std::string, std::function<void(SimOptions&)>>& flagOptions() {
    static const std::map<std::string, std::function<void(SimOptions&)>> flags = {
        {"--repeat",
         [](SimOptions& o) {
             o.repeatScript = true;
         }},
        {"--decimal-comma",
         [](SimOptions& o) {
             o.decimalComma = true;
         }},
        {"--cr",
         [](SimOptions& o) {
             o.terminator = "\r";
         }},
        {"--crlf",
         [](SimOptions& o) {
             o.terminator = "\r\n";
         }},
        {"--allow-remote",
         [](SimOptions& o) {
             o.allowRemote = true;
         }},
        {"--stdout",
         [](SimOptions& o) {
             o.output = OutputMode::Stdout;
         }},
        {"--verbose",
         [](SimOptions& o) {
             o.verbose = true;
         }},
    };
    return flags;
}

std::optional<std::string> checkCombination(const SimOptions& o, int outputsGiven,
                                            bool errorEveryGiven) {
    if (outputsGiven > 1) {
        return "choose one of --tcp, --serial and --stdout";
    }
    if (!o.scriptPath.empty() && (o.temperature || o.humidity)) {
        return "--script cannot be combined with --temp or --rh";
    }
    if (o.repeatScript && o.scriptPath.empty()) {
        return "--repeat needs --script";
    }
    if (errorEveryGiven && o.errorTemperature.empty() && o.errorHumidity.empty()) {
        return "--error-every needs --error-temp or --error-rh";
    }
    if (o.output == OutputMode::Tcp && !o.allowRemote && !isLoopback(o.tcpHost)) {
        return "refusing to listen on " + o.tcpHost +
               ", which is not a loopback address (add --allow-remote to mean it)";
    }
    if (o.waitClients > 0 && o.output != OutputMode::Tcp) {
        return "--wait-clients needs the TCP output";
    }
    return std::nullopt;
}

} // namespace

ParseResult parseSimOptions(const std::vector<std::string>& args) {
    SimOptions options;
    int outputsGiven = 0;
    bool errorEveryGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        if (name == "--sn") {
            name = "--serial-number";
        }
        if (name == "--help" || name == "-h") {
            return ShowHelp{};
        }
        if (name == "--tcp" || name == "--serial" || name == "--stdout") {
            ++outputsGiven;
        }
        errorEveryGiven = errorEveryGiven || name == "--error-every";
        if (const auto flag = flagOptions().find(name); flag != flagOptions().end()) {
            if (inlineValue) {
                return UsageError{name + " takes no value"};
            }
            flag->second(options);
            continue;
        }
        const auto option = valueOptions().find(name);
        if (option == valueOptions().end()) {
            return UsageError{"unknown option " + args[i] + " (see --help)"};
        }
        if (!inlineValue && i + 1 >= args.size()) {
            return UsageError{name + " needs a value"};
        }
        const std::string value = inlineValue ? *inlineValue : args[++i];
        if (auto problem = option->second(options, value)) {
            return UsageError{name + " " + value + ": " + *problem};
        }
    }
    if (auto problem = checkCombination(options, outputsGiven, errorEveryGiven)) {
        return UsageError{*problem};
    }
    return options;
}

std::string usageText() {
    return R"(usage: orv-sim [options]
A simulated humidity/temperature sensor: sends sensor frames at a steady rate.

Output (one of):
  --tcp HOST:PORT       TCP server; every connected client gets every frame, as a networked
                        sensor does (default 127.0.0.1:31222; port 0 picks a free one). Prints
                        "orv-sim: listening on HOST:PORT" to stderr once it accepts clients.
  --allow-remote        allow a HOST that is not a loopback address (127.x.x.x)
  --wait-clients N      hold the first frame until N clients are connected
  --serial PATH         write to a serial device or pty (a tty is set to raw 9600 8N1; whatever
                        arrives, such as the "1" of a port search, is read and ignored). Prints
                        "orv-sim: writing to PATH" to stderr once the device is open.
  --stdout              write the frames to standard output

Frames:
  --layout F|H          F (default): long frame with serial number, 40 characters up to the CR
                            @T;+023.45;C;F;045.67;%;S/N;SIM00001;XX<CR><LF>
                        H: short frame without serial number
                            @T;+23.4;H;45.6;XX<CR><LF>
                        XX is the checksum, two upper-case hex digits.
  --serial-number TEXT  8 characters at position 29 of F frames (default SIM00001; alias --sn)
  --crlf | --cr         end frames with CR LF (default; what a networked sensor sends and what
                        the network scan waits for) or with CR alone
  --decimal-comma       write readings with a decimal comma: +023,45

Values (default: a smooth curve around 22 C and 45 %, the same in every run for a seed):
  --temp C              fixed temperature in C (-99.9 .. 999.9)
  --rh PCT              fixed relative humidity in % (-99.9 .. 999.9)
  --script FILE         one frame per line "TEMP RH"; either may be an error code like A03;
                        blank lines and lines starting with # are skipped; ends after the last
                        line unless --repeat is given
  --repeat              play the script again and again
  --seed N              varies the curve's phase and jitter (default 1)
  --error-temp CODE     send the error code CODE ("A" and two characters) instead of the
  --error-rh CODE       temperature / humidity; F frames pad it with blanks to the field width
  --error-every N       ... only in every Nth frame (default 1: every frame)
  --bad-checksum-every N  give every Nth frame a wrong checksum

Timing:
  --rate HZ             frames per second (default 1; 0.001 .. 10000)
  --count N             stop after N frames (exit status 0)
  --batch N             put N frames into one write (default 1)
  --split N             write each frame (or batch) in pieces of N bytes ...
  --split-pause MS      ... with MS milliseconds between the pieces (default 2)

  --verbose             report clients connecting and leaving on stderr
  --help                this text

Stops with exit status 0 on SIGINT or SIGTERM. Bad arguments exit with status 2, failures to
listen, to open the device or to write exit with status 1; each with one line on stderr.
)";
}

} // namespace orv::sim
