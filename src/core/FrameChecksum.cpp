#include "core/FrameChecksum.h"

#include <cstdio>

namespace orv {

std::uint8_t checksumOf(std::string_view bytes) {
    unsigned sum = 0;
    for (const char c : bytes) {
        sum += static_cast<unsigned char>(c);
    }
    return static_cast<std::uint8_t>(255 - sum % 256);
}

std::uint8_t frameChecksumForBody(std::string_view body) {
    const std::size_t length = body.size() + 3;
    return length >= kMinLongFrame ? checksumOf(body)
                                   : checksumOf(body.substr(body.empty() ? 0 : 1));
}

std::string withChecksumDigits(std::string_view body, std::uint8_t checksum,
                               std::string_view terminator) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", checksum);
    std::string frame(body);
    frame += hex;
    frame += terminator;
    return frame;
}

std::optional<std::string> buildFrame(std::string_view body, std::string_view terminator) {
    if (isRefusedFrameLength(body.size() + 3)) {
        return std::nullopt;
    }
    return withChecksumDigits(body, frameChecksumForBody(body), terminator);
}

} // namespace orv
