#include "state/StringTable.h"

#include <charconv>

namespace orv {

namespace {

bool isTableId(int id) {
    const int span = StringTable::LastGermanId - StringTable::FirstGermanId;
    return (id >= StringTable::GermanBase && id <= StringTable::GermanBase + span) ||
           (id >= StringTable::EnglishBase && id <= StringTable::EnglishBase + span);
}

} // namespace

ParsedStringTable parseStringTable(std::string_view resource) {
    ParsedStringTable result;
    int lineNo = 0;
    while (!resource.empty()) {
        ++lineNo;
        const std::size_t nl = resource.find('\n');
        std::string_view line = resource.substr(0, nl);
        resource.remove_prefix(nl == std::string_view::npos ? resource.size() : nl + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        auto problem = [&](std::string_view what) {
            result.problems.push_back("line " + std::to_string(lineNo) + ": " + std::string(what));
        };
        int id = 0;
        const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), id);
        const std::size_t idLength = static_cast<std::size_t>(end - line.data());
        if (ec != std::errc() || idLength == line.size() || (*end != '\t' && *end != ' ')) {
            problem("expected an id, a TAB and the text");
            continue;
        }
        if (!isTableId(id)) {
            problem("id " + std::to_string(id) + " outside 100..399 and 400..699");
            continue;
        }
        if (!result.texts.emplace(id, std::string(line.substr(idLength + 1))).second) {
            problem("id " + std::to_string(id) + " given twice");
        }
    }
    return result;
}

StringTable::StringTable() : texts_(parseStringTable(embeddedStringTableText()).texts) {}

bool StringTable::selectLanguage(std::string_view code) {
    if (code == "de") {
        langBase_ = GermanBase;
        return true;
    }
    if (code == "eng") {
        langBase_ = EnglishBase;
        return true;
    }
    return false;
}

std::optional<std::string> StringTable::byId(int id) const {
    const auto it = texts_.find(id);
    if (it == texts_.end()) {
        return std::nullopt;
    }
    return it->second;
}

// Only ids of the selected language's block are looked up. Without a language, plain arithmetic
// would map German ids 200..313 onto the German texts 100..213 (the "File" menu would read
// "Messwerte"); a large tag could likewise run from the German block into the English one.
std::optional<std::string> StringTable::inCurrentLanguage(int id) const {
    if (langBase_ == 0 || id < langBase_ || id > langBase_ + (LastGermanId - FirstGermanId)) {
        return std::nullopt;
    }
    return byId(id);
}

std::optional<std::string> StringTable::text(int germanId) const {
    return inCurrentLanguage(langBase_ + (germanId - FirstGermanId));
}

std::optional<std::string> StringTable::tagCaption(int tag) const {
    return inCurrentLanguage(captionId(langBase_, tag));
}

std::optional<std::string> StringTable::tagTip(int tag) const {
    return inCurrentLanguage(tipId(langBase_, tag));
}

} // namespace orv
