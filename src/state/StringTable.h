#pragma once

#include "core/Texts.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orv {

// The string table text compiled into the program (resources/strings.txt).
[[nodiscard]] std::string_view embeddedStringTableText();

struct ParsedStringTable {
    std::map<int, std::string> texts;
    std::vector<std::string> problems; // one line per rejected line, naming its line number
};

// Reads the table format: per line an id, one TAB or blank, then the text to the end of the line
// verbatim (a trailing CR is dropped). Empty lines and lines starting with "#" are skipped. Ids
// must lie in 100..399 (German) or 400..699 (English) and occur once.
[[nodiscard]] ParsedStringTable parseStringTable(std::string_view resource);

// Ids of the tag rule: a window or control with tag n takes its caption from `LangBase` + 2n - 1
// and its tip from `LangBase` + 2n.
[[nodiscard]] constexpr int captionId(int langBase, int tag) {
    return langBase + 2 * tag - 1;
}
[[nodiscard]] constexpr int tipId(int langBase, int tag) {
    return langBase + 2 * tag;
}

// The texts in both languages and the current language's base. Every German text has an id from
// 100 to 399; its English counterpart has the id plus 300. A text with German id g is the entry
// `LangBase` + (g - 100).
class StringTable final : public Texts {
public:
    static constexpr int GermanBase = 100;
    static constexpr int EnglishBase = 400;
    static constexpr int FirstGermanId = 100;
    // The first texts end at 313; ids 314..399 hold the texts added since (English 614..699).
    static constexpr int LastGermanId = 399;

    // The compiled-in table.
    StringTable();
    explicit StringTable(std::map<int, std::string> texts) : texts_(std::move(texts)) {}

    // "de" selects German (`LangBase` 100), "eng" English (400). Any other code leaves `LangBase`
    // as it was and returns false.
    bool selectLanguage(std::string_view code);

    // 0 until a language is selected, then 100 or 400.
    [[nodiscard]] int langBase() const { return langBase_; }

    // The entry with this absolute id (100..399 German, 400..699 English), whatever the language.
    [[nodiscard]] std::optional<std::string> byId(int id) const;

    // The text of German id 100..399 in the current language; nullopt when the table has none or
    // no language is selected yet.
    [[nodiscard]] std::optional<std::string> text(int germanId) const override;

    // Caption and tip of a window or control with tag `tag` (tag rule above), in the current
    // language only; nullopt when the table has no such text.
    [[nodiscard]] std::optional<std::string> tagCaption(int tag) const;
    [[nodiscard]] std::optional<std::string> tagTip(int tag) const;

private:
    [[nodiscard]] std::optional<std::string> inCurrentLanguage(int id) const;

    std::map<int, std::string> texts_;
    int langBase_ = 0;
};

} // namespace orv
