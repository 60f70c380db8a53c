#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

class Texts;

// The network scan's view of what probed hosts send back. A sensor answers with its frames, so
// an answer counts once the collected text begins with "@" and holds a CR LF.
class ScanAnswers {
public:
    // Socket indices 0..25; the scan uses 1..24.
    static constexpr int kSlots = 26;
    // A sensor's answer is about 42 characters. A host that keeps sending text that begins with
    // "@" but never a line end would otherwise grow its buffer without bound.
    static constexpr std::size_t kMaxCollected = 1024;

    // Adds a received piece for socket `index`. A piece that is exactly "*" is ignored; a piece
    // beginning with "@" starts a new answer; other pieces extend an answer already begun and
    // are dropped otherwise. Returns the whole answer once it is complete and forgets it.
    [[nodiscard]] std::optional<std::string> collect(int index, std::string_view piece);
    void clear(int index);
    [[nodiscard]] const std::string& collected(int index) const;

private:
    std::array<std::string, kSlots> buffers_;
};

// The 8 characters from position 29 (1-based) of an answer: the sensor's serial number. A
// shorter answer gives fewer characters; the line end is never part of it.
[[nodiscard]] std::string serialNumberOf(std::string_view answer);

// The four octets of a dotted IPv4 text ("192.168.1.20"), or nullopt for anything else.
[[nodiscard]] std::optional<std::array<std::uint8_t, 4>> SplitIP(std::string_view text);

// The first three octets of the local address, each followed by a dot ("192.168.1."), or
// nullopt when the local address is not a dotted IPv4 text.
[[nodiscard]] std::optional<std::string> NetPrefix(std::string_view localAddress);

// Shown when the reverse lookup of an address finds no name (the same in both languages).
inline constexpr std::string_view kHostNameUnavailable = "<nicht verfügbar>";
inline constexpr std::size_t kMaxHostNameLength = 259;

// The host name column for a finished reverse lookup of `ip`. Resolvers answer a failed lookup
// with nothing or with the address itself; both count as "no name".
[[nodiscard]] std::string hostNameColumn(std::string_view lookedUpName, std::string_view ip);

// What a double-click on a result row puts into the interface dialog's address field: the host
// name up to its first dot, or the IP address when no name is known (a name beginning with "<",
// or a lookup still under way).
[[nodiscard]] std::string adoptedAddress(std::string_view hostName, std::string_view ip);

// The progress text "Scanne Netzwerk " / "network scan " with 1 to 9 dots; each tick adds one
// and after nine it starts again with one.
class ProgressDots {
public:
    [[nodiscard]] std::string tick(bool german);
    [[nodiscard]] int count() const { return count_; }

private:
    int count_ = 0;
};

// The final message when no sensor answered on `port` (texts 312 and 313 as they stand).
[[nodiscard]] std::string nothingFoundText(const Texts& texts, std::int32_t port);

} // namespace orv
