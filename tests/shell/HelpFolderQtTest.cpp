#include "shell/HelpWindow.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace orv {
namespace {

namespace fs = std::filesystem;

QString q(const fs::path& p) {
    return QDir::cleanPath(QString::fromStdString(p.string()));
}

// A prefix as `cmake --install` lays it out: P/bin with the program, P/share/visualorv/help.
struct Layout {
    const char* name;
    std::vector<std::string> files; // relative to the prefix; a name ending in / is a folder
    const char* expected;           // relative to the prefix
};

void PrintTo(const Layout& layout, std::ostream* os) {
    *os << layout.name;
}

class HelpFolderLookup : public ::testing::TestWithParam<Layout> {};

TEST_P(HelpFolderLookup, FindsTheManualsNextToTheProgramOrInstalled) {
    const Layout& layout = GetParam();
    test::TempDir prefix;
    fs::create_directories(prefix.path() / "bin");
    for (const std::string& name : layout.files) {
        if (name.ends_with('/')) {
            fs::create_directories(prefix.path() / name);
        } else {
            fs::create_directories((prefix.path() / name).parent_path());
            test::writeFile(prefix.path() / name, "<html><title>help</title></html>");
        }
    }
    EXPECT_EQ(findHelpFolder(q(prefix.path() / "bin")), q(prefix.path() / layout.expected));
}

const Layout kLayouts[] = {
    {"BuildFolder", {"bin/VisualORV_hilfe_de.html", "bin/VisualORV_help_eng.html"}, "bin"},
    {"Installed",
     {"share/visualorv/help/VisualORV_hilfe_de.html",
      "share/visualorv/help/VisualORV_help_eng.html"},
     "share/visualorv/help"},
    {"InstalledEnglishOnly",
     {"share/visualorv/help/VisualORV_help_eng.html"},
     "share/visualorv/help"},
    {"InstalledGermanOnly",
     {"share/visualorv/help/VisualORV_hilfe_de.html"},
     "share/visualorv/help"},
    {"NextToTheProgramWins",
     {"bin/VisualORV_help_eng.html", "share/visualorv/help/VisualORV_help_eng.html"},
     "bin"},
    // A folder with a manual's name is no manual.
    {"FolderNamedLikeAManual",
     {"bin/VisualORV_help_eng.html/", "share/visualorv/help/VisualORV_help_eng.html"},
     "share/visualorv/help"},
    {"OtherFilesAreNoManual", {"bin/help.html", "share/visualorv/help/index.html"}, "bin"},
    {"NoneAnywhere", {}, "bin"},
};

INSTANTIATE_TEST_SUITE_P(Layouts, HelpFolderLookup, ::testing::ValuesIn(kLayouts),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(HelpFolder, TheBuildFolderHoldsTheManualsNextToTheProgram) {
    const QString build = QDir::cleanPath(QStringLiteral(ORV_BINARY_DIR));
    EXPECT_EQ(findHelpFolder(build), build);
}

TEST(HelpFolder, ARelativeProgramFolderGivesAnAbsoluteHelpFolder) {
    test::TempDir prefix;
    test::writeFile(prefix.file("VisualORV_help_eng.html"), "<html></html>");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(q(prefix.path())));
    const QString found = findHelpFolder(QStringLiteral("."));
    QDir::setCurrent(before);
    EXPECT_EQ(found, q(fs::canonical(prefix.path())));
}

} // namespace
} // namespace orv
