// docs/tools.md has an option table for orv-sim and for every orv-tool command, and each table
// names exactly the options that the command's --help names.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace orv {
namespace {

using Names = std::set<std::string>;

// The option names in a text: words that start with one or two dashes and a letter, standing at
// the start or after a blank, a bracket, a bar, a comma or a backtick ("[--unit C|F|K]",
// "-o, --output FILE", "`--sn TEXT`", "alias --sn"). --help and -h, which every command takes,
// are left out.
Names optionNames(const std::string& text) {
    static const std::regex option(R"((?:^|[\s\[(|,`])(--?[A-Za-z][A-Za-z0-9-]*))");
    Names names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
         it != std::sregex_iterator(); ++it) {
        names.insert((*it)[1].str());
    }
    names.erase("--help");
    names.erase("-h");
    return names;
}

// The option names of every section of the page, by the first word of the section's heading
// ("## orv-sim — a simulated sensor" is "orv-sim", "### read" is "read"): the first cells of the
// rows of each table whose first column is "option". A section without such a table maps to an
// empty set.
std::map<std::string, Names> documentedOptions(const std::string& page) {
    std::map<std::string, Names> sections;
    static const std::regex heading(R"(#+ +([^ ]+).*)");
    std::istringstream lines(page);
    std::string line;
    std::string section;
    bool inOptionTable = false;
    bool inCode = false; // a "# comment" in a code block is no heading
    while (std::getline(lines, line)) {
        std::smatch m;
        if (line.starts_with("```")) {
            inCode = !inCode;
        } else if (inCode) {
            continue;
        } else if (std::regex_match(line, m, heading)) {
            section = m[1].str();
            sections[section];
            inOptionTable = false;
        } else if (line.starts_with("| option |")) {
            inOptionTable = true;
        } else if (!line.starts_with("|")) {
            inOptionTable = false;
        } else if (inOptionTable && !line.starts_with("|---")) {
            // Bars inside a cell are escaped as \| and do not end it.
            const std::string row = std::regex_replace(line, std::regex(R"(\\\|)"), "/");
            const Names names = optionNames(row.substr(1, row.find('|', 1) - 1));
            sections[section].insert(names.begin(), names.end());
        }
    }
    return sections;
}

std::string joined(const Names& names) {
    std::string text;
    for (const auto& n : names) {
        text += (text.empty() ? "" : ", ") + n;
    }
    return text;
}

Names without(const Names& a, const Names& b) {
    Names rest;
    std::ranges::set_difference(a, b, std::inserter(rest, rest.end()));
    return rest;
}

TEST(OrvToolDocs, EveryOptionTableNamesExactlyTheOptionsOfHelp) {
    std::ifstream file(std::string(ORV_SOURCE_DIR) + "/docs/tools.md");
    ASSERT_TRUE(file) << "docs/tools.md not found";
    std::stringstream page;
    page << file.rdbuf();
    const auto documented = documentedOptions(page.str());

    // The commands are the ones orv-tool --help lists, so a new command needs its section.
    const test::Run overview = test::runTool({"--help"});
    ASSERT_EQ(overview.status, 0) << overview.err;
    struct Command {
        std::string section;
        std::vector<std::string> help;
    };
    std::vector<Command> commands = {{"orv-sim", {ORV_SIM_PATH, "--help"}}};
    static const std::regex commandLine(R"(\n  ([a-z0-9-]+) )");
    for (auto it = std::sregex_iterator(overview.out.begin(), overview.out.end(), commandLine);
         it != std::sregex_iterator(); ++it) {
        commands.push_back({(*it)[1].str(), {ORV_TOOL_PATH, (*it)[1].str(), "--help"}});
    }
    ASSERT_GE(commands.size(), 10U) << overview.out;

    std::size_t compared = 0;
    for (const auto& c : commands) {
        const std::string name = c.section == "orv-sim" ? "orv-sim" : "orv-tool " + c.section;
        const test::Run help = test::run(c.help);
        ASSERT_EQ(help.status, 0) << name << " --help: " << help.err;
        EXPECT_TRUE(help.out.starts_with("usage: " + name + " ")) << help.out;
        const auto section = documented.find(c.section);
        if (section == documented.end()) {
            ADD_FAILURE() << name << ": docs/tools.md has no section headed '" << c.section << "'";
            continue;
        }
        const Names inHelp = optionNames(help.out);
        const Names undocumented = without(inHelp, section->second);
        const Names notInHelp = without(section->second, inHelp);
        EXPECT_TRUE(undocumented.empty())
            << name
            << ": --help names options its table in docs/tools.md lacks: " << joined(undocumented);
        EXPECT_TRUE(notInHelp.empty())
            << name
            << ": docs/tools.md lists options its --help does not name: " << joined(notInHelp);
        compared += inHelp.size();
    }
    // Guards against an extraction that finds nothing on either side.
    EXPECT_GE(compared, 60U);
}

} // namespace
} // namespace orv
