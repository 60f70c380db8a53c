#include "core/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace orv {
namespace {

template <typename T>
std::string shortest(T value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char buf[64];
    const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc{} ? std::string(buf, ptr) : std::string("null");
}

// Length of the well-formed UTF-8 sequence starting at text[i], or 0.
std::size_t utf8SequenceAt(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) {
        return static_cast<unsigned char>(text[k]);
    };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1FU;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0FU;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07U;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0U) != 0x80U) {
            return 0;
        }
        code = (code << 6U) | (byte(i + k) & 0x3FU);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= minimum && code <= 0x10FFFF && !surrogate ? length : 0;
}

} // namespace

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80) {
            if (const std::size_t n = utf8SequenceAt(text, i); n > 0) {
                out.append(text.substr(i, n));
                i += n - 1;
            } else {
                out += static_cast<char>(0xC0U | (c >> 6U));
                out += static_cast<char>(0x80U | (c & 0x3FU));
            }
            continue;
        }
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

std::string jsonString(std::string_view text) {
    std::string out;
    appendJsonString(out, text);
    return out;
}

std::string jsonNumber(float value) {
    return shortest(value);
}
std::string jsonNumber(double value) {
    return shortest(value);
}

void JsonObject::key(std::string_view name) {
    if (text_.size() > 1) {
        text_ += ',';
    }
    appendJsonString(text_, name);
    text_ += ':';
}

JsonObject& JsonObject::text(std::string_view name, std::string_view value) {
    key(name);
    appendJsonString(text_, value);
    return *this;
}

JsonObject& JsonObject::boolean(std::string_view name, bool value) {
    key(name);
    text_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::number(std::string_view name, std::optional<float> value) {
    key(name);
    text_ += value ? jsonNumber(*value) : "null";
    return *this;
}

JsonObject& JsonObject::number(std::string_view name, std::optional<double> value) {
    key(name);
    text_ += value ? jsonNumber(*value) : "null";
    return *this;
}

namespace {

template <typename Range>
void appendTexts(std::string& out, const Range& values) {
    out += '[';
    bool first = true;
    for (const auto& t : values) {
        if (!first) {
            out += ',';
        }
        first = false;
        appendJsonString(out, t);
    }
    out += ']';
}

} // namespace

JsonObject& JsonObject::texts(std::string_view name,
                              std::initializer_list<std::string_view> values) {
    key(name);
    appendTexts(text_, values);
    return *this;
}

JsonObject& JsonObject::texts(std::string_view name, const std::vector<std::string>& values) {
    key(name);
    appendTexts(text_, values);
    return *this;
}

} // namespace orv
