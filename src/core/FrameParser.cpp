#include "core/FrameParser.h"

#include "core/FrameChecksum.h"

namespace orv {
namespace {

// 1-based position of the first `marker` at or after position `from`, or 0.
std::size_t findFrom(std::string_view text, std::string_view marker, std::size_t from) {
    const std::size_t at = text.find(marker, from - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}

// Up to `count` characters from 1-based position `start`; empty when it starts past the end.
std::string_view mid(std::string_view text, std::size_t start, std::size_t count) {
    return start > text.size() ? std::string_view{} : text.substr(start - 1, count);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

bool ReceiveBuffer::takeNewestFrame(std::string_view chunk, std::string& frame) {
    text_.append(chunk);
    if (text_.size() > kRxBufferLimit) {
        text_.erase(0, text_.size() - kRxBufferLimit);
    }

    // The "@T" in front of a CR at `end`; it must lie wholly before the CR.
    const auto startBefore = [this](std::size_t end) {
        return end < 2 ? std::string::npos : text_.rfind("@T", end - 2);
    };
    std::size_t end = text_.rfind("\r\n");
    std::size_t start = end == std::string::npos ? std::string::npos : startBefore(end);
    if (start == std::string::npos) {
        // No CR LF pair, or only one ending line noise: a stray pair must not hold back the
        // frames of a sensor that ends its frames with a lone CR.
        end = text_.rfind('\r');
        if (end == std::string::npos) {
            return false;
        }
        start = startBefore(end);
        if (start == std::string::npos) {
            return false;
        }
    }
    frame.assign(text_, start, end - start + 1);
    text_.erase(0, end + 1);
    return true;
}

bool frameLengthAccepted(std::size_t length) {
    return length >= 3 && !isRefusedFrameLength(length);
}

bool frameChecksumMatches(std::string_view frame) {
    if (frame.size() < 3) {
        return false;
    }
    const std::size_t length = frame.size();
    const int high = hexDigit(frame[length - 3]);
    const int low = hexDigit(frame[length - 2]);
    if (high < 0 || low < 0) {
        return false;
    }
    return frameChecksumForBody(frame.substr(0, length - 3)) == high * 16 + low;
}

void cutFrameFields(std::string_view frame, FrameFields& fields) {
    const std::size_t t = findFrom(frame, "T;", 1);
    const std::size_t h = findFrom(frame, "H;", 7);
    const auto errorCodeAt = [&](std::size_t pos) {
        return mid(frame, pos, 1) == "A";
    };
    if (h == 0) {
        const std::size_t f = findFrom(frame, "F;", 14);
        fields.temperature.assign(mid(frame, t + 2, 7));
        fields.humidity.assign(mid(frame, f + 2, 6));
        fields.serial.assign(mid(frame, 29, 8));
    } else {
        fields.temperature.assign(mid(frame, t + 2, errorCodeAt(t + 2) ? 3 : 6));
        fields.humidity.assign(mid(frame, h + 2, errorCodeAt(h + 2) ? 3 : 5));
        fields.serial.clear();
    }
}

} // namespace orv
