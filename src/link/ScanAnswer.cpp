#include "link/ScanAnswer.h"

#include "core/Texts.h"

namespace orv {
namespace {

bool validIndex(int index) {
    return index >= 0 && index < ScanAnswers::kSlots;
}

bool beginsWithAt(std::string_view s) {
    return !s.empty() && s.front() == '@';
}

} // namespace

std::optional<std::string> ScanAnswers::collect(int index, std::string_view piece) {
    if (!validIndex(index) || piece == "*") {
        return std::nullopt;
    }
    std::string& buffer = buffers_[static_cast<std::size_t>(index)];
    if (beginsWithAt(piece)) {
        buffer.assign(piece); // a new answer replaces whatever was collected
    } else if (beginsWithAt(buffer)) {
        buffer.append(piece);
    }
    if (beginsWithAt(buffer) && buffer.find("\r\n") != std::string::npos) {
        std::string answer = std::move(buffer);
        buffer.clear();
        return answer;
    }
    if (buffer.size() > kMaxCollected) {
        buffer.clear();
    }
    return std::nullopt;
}

void ScanAnswers::clear(int index) {
    if (validIndex(index)) {
        buffers_[static_cast<std::size_t>(index)].clear();
    }
}

const std::string& ScanAnswers::collected(int index) const {
    static const std::string none;
    return validIndex(index) ? buffers_[static_cast<std::size_t>(index)] : none;
}

std::string serialNumberOf(std::string_view answer) {
    constexpr std::size_t kFirst = 28; // position 29, counted from 1
    constexpr std::size_t kLength = 8;
    if (answer.size() <= kFirst) {
        return {};
    }
    std::string_view serial = answer.substr(kFirst, kLength);
    serial = serial.substr(0, serial.find_first_of("\r\n"));
    return std::string(serial);
}

std::optional<std::array<std::uint8_t, 4>> SplitIP(std::string_view text) {
    std::array<std::uint8_t, 4> octets{};
    for (std::size_t i = 0; i < octets.size(); ++i) {
        const std::size_t dot = text.find('.');
        const bool last = i + 1 == octets.size();
        if (last != (dot == std::string_view::npos)) {
            return std::nullopt; // too few or too many parts
        }
        const std::string_view part = last ? text : text.substr(0, dot);
        if (part.empty() || part.size() > 3) {
            return std::nullopt;
        }
        int value = 0;
        for (const char c : part) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        }
        if (value > 255) {
            return std::nullopt;
        }
        octets[i] = static_cast<std::uint8_t>(value);
        if (!last) {
            text.remove_prefix(dot + 1);
        }
    }
    return octets;
}

std::optional<std::string> NetPrefix(std::string_view localAddress) {
    const auto octets = SplitIP(localAddress);
    if (!octets) {
        return std::nullopt;
    }
    std::string prefix;
    for (std::size_t i = 0; i < 3; ++i) {
        prefix += std::to_string((*octets)[i]) + ".";
    }
    return prefix;
}

std::string hostNameColumn(std::string_view lookedUpName, std::string_view ip) {
    lookedUpName = lookedUpName.substr(0, lookedUpName.find('\0'));
    if (lookedUpName.empty() || lookedUpName == ip) {
        return std::string(kHostNameUnavailable);
    }
    return std::string(lookedUpName.substr(0, kMaxHostNameLength));
}

std::string adoptedAddress(std::string_view hostName, std::string_view ip) {
    if (hostName.empty() || hostName.front() == '<') {
        return std::string(ip);
    }
    return std::string(hostName.substr(0, hostName.find('.')));
}

std::string ProgressDots::tick(bool german) {
    ++count_;
    std::string text = german ? "Scanne Netzwerk " : "network scan ";
    text.append(static_cast<std::size_t>(count_), '.');
    if (count_ == 9) {
        count_ = 0;
    }
    return text;
}

std::string nothingFoundText(const Texts& texts, std::int32_t port) {
    return texts.textOr(312, "") + std::to_string(port) + texts.textOr(313, "");
}

} // namespace orv
