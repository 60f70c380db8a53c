#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Appends one JSON object member by member, in the order they are added.
class JsonObject {
public:
    JsonObject& text(std::string_view key, std::string_view value);
    JsonObject& boolean(std::string_view key, bool value);
    // Shortest text that reads back as the same float or double; null when empty or not finite.
    JsonObject& number(std::string_view key, std::optional<float> value);
    JsonObject& number(std::string_view key, std::optional<double> value);
    JsonObject& texts(std::string_view key, std::initializer_list<std::string_view> values);
    JsonObject& texts(std::string_view key, const std::vector<std::string>& values);

    // The object text with its closing brace.
    [[nodiscard]] std::string str() const { return text_ + "}"; }

private:
    void key(std::string_view name);
    std::string text_ = "{";
};

// A JSON string literal. The program's own texts are UTF-8 and pass as they are; any other byte
// from 0x80 up (the sensor speaks 8-bit ANSI) is taken as Latin-1, so the output is valid UTF-8
// whatever the line delivers.
void appendJsonString(std::string& out, std::string_view text);
[[nodiscard]] std::string jsonString(std::string_view text);

// Shortest text that reads back as the same float or double; null when not finite.
[[nodiscard]] std::string jsonNumber(float value);
[[nodiscard]] std::string jsonNumber(double value);

} // namespace orv
