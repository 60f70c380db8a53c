#pragma once

#include "core/Measurement.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orv::tool {

inline constexpr int kExitFailure = 1; // the source or the output failed
inline constexpr int kExitUsage = 2;   // the command line is wrong

// A one-line message for the user; main() prints it behind "orv-tool: " and exits with `code`.
class ToolError : public std::runtime_error {
public:
    ToolError(const std::string& message, int code) : std::runtime_error(message), code_(code) {}
    [[nodiscard]] int code() const { return code_; }

private:
    int code_;
};

[[noreturn]] void usageError(const std::string& message);
// Runs one subcommand and turns what it throws into the message on standard error and the exit
// status.
[[nodiscard]] int runReportingErrors(int (*run)(const std::vector<std::string>& args),
                                     const std::vector<std::string>& args);
[[noreturn]] void failure(const std::string& message);

// Walks "--name VALUE", "--name=VALUE", flags and positional arguments in order.
class ArgReader {
public:
    explicit ArgReader(const std::vector<std::string>& args) : args_(args) {}

    [[nodiscard]] bool done() const { return next_ >= args_.size(); }
    // The next argument; an option given as "--name=VALUE" comes back as "--name" and keeps its
    // value for value().
    [[nodiscard]] std::string take();
    // The value of the option just taken (the "=VALUE" part or the next argument).
    [[nodiscard]] std::string value(std::string_view option);

private:
    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
    std::optional<std::string> inlineValue_;
};

// A whole-text decimal number of at least `min`; otherwise a usage error naming `option`.
[[nodiscard]] std::uint64_t parseCount(std::string_view option, const std::string& text,
                                       std::uint64_t min);

// A finite decimal number written out in full ("21.5", "+3", "-0.25"; no exponent), read as a
// float or a double; otherwise the usage error "COMMAND: WHAT 'TEXT' is not a number".
template <typename Number>
[[nodiscard]] Number parseDecimal(std::string_view command, std::string_view what,
                                  const std::string& text);
extern template float parseDecimal<float>(std::string_view, std::string_view, const std::string&);
extern template double parseDecimal<double>(std::string_view, std::string_view, const std::string&);

// The measurement options that `read` and `record` share: --unit C|F|K, --channel2
// humidity|dewpoint. Anything else is a usage error naming the option.
[[nodiscard]] TempUnit parseUnit(const std::string& text);
[[nodiscard]] Channel2Mode parseChannel2(const std::string& text);

} // namespace orv::tool
