#include "logging/LogFormat.h"

namespace orv {
namespace {

void appendLatin1(std::string& out, unsigned char c) {
    if (c < 0x20 || c == 0x7F) {
        out += '?';
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr std::size_t kCountOffset = 0;
constexpr std::size_t kTempUnitOffset = 15;
constexpr std::size_t kCh2UnitOffset = 16;
constexpr std::size_t kStartOffset = 23;
constexpr std::size_t kIntervalOffset = 31;
constexpr std::size_t kTextOffset = 35;

} // namespace

std::string unitTextForCode(char code) {
    switch (code) {
    case 'C':
        return "\u00B0C";
    case 'F':
        return "\u00B0F";
    default: {
        std::string text = " ";
        appendLatin1(text, static_cast<unsigned char>(code));
        return text;
    }
    }
}

std::string LogHeader::textUtf8() const {
    std::string out;
    for (const char c : text) {
        appendLatin1(out, static_cast<unsigned char>(c));
    }
    return out;
}

double LogHeader::recordTime(std::int64_t k) const {
    return startTime + static_cast<double>(interval) * static_cast<double>(k) / 86400.0;
}

std::string fitLogText(const std::string& text) {
    std::string fitted = text.substr(0, kLogTextLength);
    fitted.resize(kLogTextLength, ' ');
    return fitted;
}

std::array<unsigned char, kLogHeaderSize> encodeLogHeader(const LogHeader& header) {
    std::array<unsigned char, kLogHeaderSize> b{};
    writeLE(b.data() + kCountOffset, header.recordCount);
    std::memcpy(b.data() + kLogMagicOffset, kLogMagic, 5);
    b[kTempUnitOffset] = static_cast<unsigned char>(header.tempUnitCode);
    b[kCh2UnitOffset] = static_cast<unsigned char>(header.ch2UnitCode);
    writeLE(b.data() + kStartOffset, header.startTime);
    writeLE(b.data() + kIntervalOffset, header.interval);
    const std::string text = fitLogText(header.text);
    std::memcpy(b.data() + kTextOffset, text.data(), kLogTextLength);
    return b;
}

LogHeader decodeLogHeader(const unsigned char* bytes) {
    LogHeader h;
    h.recordCount = readLE<std::int32_t>(bytes + kCountOffset);
    h.tempUnitCode = static_cast<char>(bytes[kTempUnitOffset]);
    h.ch2UnitCode = static_cast<char>(bytes[kCh2UnitOffset]);
    h.startTime = readLE<double>(bytes + kStartOffset);
    h.interval = readLE<float>(bytes + kIntervalOffset);
    h.text.assign(reinterpret_cast<const char*>(bytes + kTextOffset), kLogTextLength);
    return h;
}

} // namespace orv
