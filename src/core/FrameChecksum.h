#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// Sensor frames: "@T", payload, two hex checksum digits, CR. Short frames (3..21 characters,
// CR included) sum from the "T"; long frames (23..40) sum from the "@". 22 and 41+ are refused.
inline constexpr std::size_t kMaxShortFrame = 21;
inline constexpr std::size_t kMinLongFrame = 23;
inline constexpr std::size_t kMaxLongFrame = 40;

[[nodiscard]] constexpr bool isRefusedFrameLength(std::size_t length) {
    return length == 22 || length > kMaxLongFrame;
}

// 255 - (sum of the byte values mod 256).
[[nodiscard]] std::uint8_t checksumOf(std::string_view bytes);

// The checksum a frame must carry, given its text from "@T" up to (not including) the two
// checksum digits. The frame length is body.size() + 3.
[[nodiscard]] std::uint8_t frameChecksumForBody(std::string_view body);

// `body`, then `checksum` as two upper-case hex digits, then `terminator`.
[[nodiscard]] std::string withChecksumDigits(std::string_view body, std::uint8_t checksum,
                                             std::string_view terminator);

// A complete frame for `body` with upper-case checksum digits and `terminator` ("\r" or "\r\n")
// appended; nullopt when the resulting length is one the parser refuses.
[[nodiscard]] std::optional<std::string> buildFrame(std::string_view body,
                                                    std::string_view terminator = "\r");

} // namespace orv
