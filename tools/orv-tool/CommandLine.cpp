#include "CommandLine.h"

#include <charconv>
#include <utility>

namespace orv::tool {

void usageError(const std::string& message) {
    throw ToolError(message, kExitUsage);
}

void failure(const std::string& message) {
    throw ToolError(message, kExitFailure);
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

} // namespace orv::tool
