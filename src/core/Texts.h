#pragma once

#include <optional>
#include <string>

namespace orv {

// Texts of the string table in the current language, looked up by their German id (100..399).
// An id the table does not have gives nullopt, and the caller keeps the text it had.
class Texts {
public:
    virtual ~Texts() = default;
    [[nodiscard]] virtual std::optional<std::string> text(int germanId) const = 0;

    // The text, or `fallback` when the table has none.
    [[nodiscard]] std::string textOr(int germanId, const std::string& fallback) const {
        return text(germanId).value_or(fallback);
    }
};

} // namespace orv
