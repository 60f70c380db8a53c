#include "state/StringTable.h"
#include "state/LanguageLayout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace orv {
namespace {

TEST(StringTableResource, ParsesWithoutProblems) {
    const ParsedStringTable parsed = parseStringTable(embeddedStringTableText());
    EXPECT_TRUE(parsed.problems.empty()) << parsed.problems.front();
    EXPECT_FALSE(parsed.texts.empty());
}

TEST(StringTableResource, EveryTextHasItsPartnerInTheOtherLanguage) {
    // Section markers exist in German only; "Time" of the data window in English only.
    const std::set<int> germanOnly{199, 224, 274};
    const std::set<int> englishOnly{435, 443, 451};
    const StringTable table;
    for (int g = StringTable::FirstGermanId; g <= StringTable::LastGermanId; ++g) {
        SCOPED_TRACE(g);
        const bool german = table.byId(g).has_value();
        const bool english = table.byId(g + 300).has_value();
        if (german != english) {
            EXPECT_TRUE(german ? germanOnly.count(g) : englishOnly.count(g + 300));
        }
    }
}

TEST(StringTableResource, TextsKeepTheirBlanksAndCharacters) {
    // Leading and trailing blanks, umlauts, "°", "|" and "&" come through the embedding unchanged.
    const std::pair<int, const char*> cases[] = {
        {107, "Temperatur in °C"}, {231, " inaktiv (keine Datei geöffnet) "},
        {538, "Saveinterval: "},   {245, " ist vorhanden. Soll die Datei überschrieben weden?"},
        {202, "&Schließen"},       {241, "dat-Dateien (*.dat)|*.dat|alle Dateien (*.*)|*.*"},
    };
    const StringTable table;
    for (const auto& [id, text] : cases) {
        EXPECT_EQ(table.byId(id), std::optional<std::string>(text)) << id;
    }
    for (int missing : {101, 135, 177, 499, 574}) {
        EXPECT_EQ(table.byId(missing), std::nullopt) << missing;
    }
}

TEST(StringTable, LanguageCodeSetsTheBase) {
    StringTable table;
    EXPECT_EQ(table.langBase(), 0);
    // No language yet: nothing is found, not even through the German block below 214.
    EXPECT_EQ(table.text(105), std::nullopt);
    EXPECT_EQ(table.text(205), std::nullopt);

    EXPECT_TRUE(table.selectLanguage("de"));
    EXPECT_EQ(table.langBase(), 100);
    EXPECT_EQ(table.text(105), "Messwerte");
    EXPECT_TRUE(table.selectLanguage("eng"));
    EXPECT_EQ(table.langBase(), 400);
    EXPECT_EQ(table.text(105), "Measured values");
    EXPECT_EQ(table.textOr(135, "Zeit"), "Time");
    EXPECT_EQ(table.textOr(199, "old"), "old");

    for (const char* unknown : {"fr", "DE", "", "english", "de "}) {
        EXPECT_FALSE(table.selectLanguage(unknown)) << unknown;
        EXPECT_EQ(table.langBase(), 400) << unknown;
    }
    EXPECT_EQ(table.text(99), std::nullopt);
    EXPECT_EQ(table.text(700), std::nullopt);
}

TEST(StringTable, TagRuleGivesCaptionAndTip) {
    StringTable table;
    EXPECT_EQ(table.tagCaption(4), std::nullopt);
    table.selectLanguage("eng");
    struct Case {
        int tag;
        std::optional<std::string> caption, tip;
    };
    const Case english[] = {
        {1, std::nullopt, "Deutsche Sprache"},
        {4, "Temperature in °C", std::nullopt},
        {35, "Date", "prints date"},
        {37, std::nullopt, "drag zoom area"},
    };
    for (const Case& c : english) {
        SCOPED_TRACE(c.tag);
        EXPECT_EQ(table.tagCaption(c.tag), c.caption);
        EXPECT_EQ(table.tagTip(c.tag), c.tip);
    }
    table.selectLanguage("de");
    EXPECT_EQ(table.tagCaption(9), "Feuchte (% r.F.)");
    // Tag 152 would point at 404, an English text: a tag never leaves its language.
    EXPECT_EQ(table.tagTip(152), std::nullopt);
}

TEST(StringTable, ParserReportsBadLines) {
    struct Case {
        std::string resource;
        std::optional<std::string> text102;
        std::size_t problems;
    };
    const Case cases[] = {
        {"102\tDeutsche Sprache\n", "Deutsche Sprache", 0},
        {"102\t  two blanks  \n", "  two blanks  ", 0},
        {"102 blank separated\r\n", "blank separated", 0},
        {"102\t\n", "", 0},
        {"# comment\n\n102\tx", "x", 0},
        {"102\ta\n102\tb\n", "a", 1},
        {"102\n", std::nullopt, 1},
        {"102x\tx\n", std::nullopt, 1},
        {"\t102\tx\n", std::nullopt, 1},
        {"99\tx\n400\tx\n399\tx\n700\tx\n", std::nullopt, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resource);
        const ParsedStringTable parsed = parseStringTable(c.resource);
        EXPECT_EQ(parsed.problems.size(), c.problems);
        const auto it = parsed.texts.find(102);
        EXPECT_EQ(it == parsed.texts.end() ? std::nullopt : std::optional(it->second), c.text102);
    }
}

TEST(LanguageLayout, EveryTextItNamesExistsInBothLanguages) {
    const StringTable table;
    std::set<int> ids(language::SharedMessageIds.begin(), language::SharedMessageIds.end());
    EXPECT_EQ(ids.size(), language::SharedMessageIds.size());
    for (const auto& m : language::MenuCaptions) {
        ids.insert(m.germanId);
    }
    for (const auto& t : language::ToolbarTips) {
        ids.insert(t.germanId);
    }
    for (const auto& t : language::ValueBoxTips) {
        ids.insert(t.germanId);
    }
    for (int g : ids) {
        EXPECT_TRUE(table.byId(g).has_value()) << g;
        EXPECT_TRUE(table.byId(g + 300).has_value()) << g + 300;
    }
}

} // namespace
} // namespace orv
