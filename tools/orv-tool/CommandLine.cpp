#include "CommandLine.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <utility>

namespace orv::tool {

void usageError(const std::string& message) {
    throw ToolError(message, kExitUsage);
}

void failure(const std::string& message) {
    throw ToolError(message, kExitFailure);
}

int runReportingErrors(int (*run)(const std::vector<std::string>& args),
                       const std::vector<std::string>& args) {
    try {
        return run(args);
    } catch (const ToolError& e) {
        std::fprintf(stderr, "orv-tool: %s\n", e.what());
        return e.code();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orv-tool: %s\n", e.what());
        return kExitFailure;
    }
}

std::string ArgReader::take() {
    inlineValue_.reset();
    std::string arg = args_[next_++];
    if (arg.starts_with("--")) {
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            inlineValue_ = arg.substr(eq + 1);
            arg.erase(eq);
        }
    }
    return arg;
}

std::string ArgReader::value(std::string_view option) {
    if (inlineValue_) {
        return *std::exchange(inlineValue_, std::nullopt);
    }
    if (done()) {
        usageError(std::string(option) + " needs a value");
    }
    return args_[next_++];
}

std::uint64_t parseCount(std::string_view option, const std::string& text, std::uint64_t min) {
    std::uint64_t n = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || ec != std::errc{} || ptr != text.data() + text.size() || n < min) {
        usageError(std::string(option) + " wants a whole number of at least " +
                   std::to_string(min) + ", not '" + text + "'");
    }
    return n;
}

template <typename Number>
Number parseDecimal(std::string_view command, std::string_view what, const std::string& text) {
    std::string_view digits = text;
    if (digits.starts_with('+')) {
        digits.remove_prefix(1);
    }
    Number value = 0;
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                           std::chars_format::fixed);
    if (digits.empty() || ec != std::errc{} || ptr != digits.data() + digits.size() ||
        !std::isfinite(value)) {
        usageError(std::string(command) + ": " + std::string(what) + " '" + text +
                   "' is not a number");
    }
    return value;
}
template float parseDecimal<float>(std::string_view, std::string_view, const std::string&);
template double parseDecimal<double>(std::string_view, std::string_view, const std::string&);

TempUnit parseUnit(const std::string& text) {
    if (text == "C") {
        return TempUnit::Celsius;
    }
    if (text == "F") {
        return TempUnit::Fahrenheit;
    }
    if (text == "K") {
        return TempUnit::Kelvin;
    }
    usageError("--unit wants C, F or K, not '" + text + "'");
}

Channel2Mode parseChannel2(const std::string& text) {
    if (text == "humidity") {
        return Channel2Mode::Humidity;
    }
    if (text == "dewpoint") {
        return Channel2Mode::DewPoint;
    }
    usageError("--channel2 wants humidity or dewpoint, not '" + text + "'");
}

} // namespace orv::tool
