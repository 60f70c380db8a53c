#include "state/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orv::ini {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

struct EditCase {
    const char* what;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(IniText, WriterChangesOnlyTheOneValue) {
    const EditCase cases[] = {
        {"new file", "", "General", "SerialPort", "3", "[General]\nSerialPort=3\n"},
        {"replace keeps comments, order, blank lines",
         "; VisualORV\n[General]\nMode=0\nSerialPort=1\n\n[Winsock]\nIP=10.0.0.5\n", "General",
         "SerialPort", "7",
         "; VisualORV\n[General]\nMode=0\nSerialPort=7\n\n[Winsock]\nIP=10.0.0.5\n"},
        {"names match in any case, stored spelling kept", "[general]\nserialport = 1\n", "General",
         "SerialPort", "2", "[general]\nserialport = 2\n"},
        {"trailing blanks of the old value go", "[A]\nx =  1  \n", "A", "x", "2", "[A]\nx =  2\n"},
        {"CRLF file: new key", "[General]\r\nMode=1\r\n", "General", "SerialPort", "3",
         "[General]\r\nMode=1\r\nSerialPort=3\r\n"},
        {"CRLF file: new section", "[A]\r\nx=1\r\n", "B", "y", "2",
         "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"},
        {"CRLF file: replace", "[A]\r\nx=1\r\ny=1\r\n", "A", "x", "22", "[A]\r\nx=22\r\ny=1\r\n"},
        {"last line without line break: replace", "[A]\nx=1", "A", "x", "5", "[A]\nx=5"},
        {"last line without line break: new key", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n"},
        {"new key before the comment that leads to the next section",
         "[A]\nx=1\n\n; about B\n[B]\nz=0\n", "A", "y", "2",
         "[A]\nx=1\ny=2\n\n; about B\n[B]\nz=0\n"},
        {"commented-out key is not the key", "[A]\n;x=1\n", "A", "x", "2", "[A]\nx=2\n;x=1\n"},
        {"key before any section is not in the section", "x=1\n[A]\n", "A", "x", "2",
         "x=1\n[A]\nx=2\n"},
        {"repeated section: the key found by the reader is replaced", "[A]\nx=1\n[B]\n[A]\ny=1\n",
         "A", "y", "5", "[A]\nx=1\n[B]\n[A]\ny=5\n"},
        {"repeated section: a new key goes into the first one", "[A]\nx=1\n[B]\n[A]\ny=1\n", "A",
         "z", "3", "[A]\nx=1\nz=3\n[B]\n[A]\ny=1\n"},
        {"repeated key: the first one changes", "[A]\nx=1\nx=2\n", "A", "x", "9",
         "[A]\nx=9\nx=2\n"},
        {"unknown lines stay", "[A]\ngarbage line\n[broken\n", "A", "k", "v",
         "[A]\ngarbage line\n[broken\nk=v\n"},
        {"empty value", "[A]\nx=1\n", "A", "x", "", "[A]\nx=\n"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string after = withValue(c.before, c.section, c.key, c.value);
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(findValue(after, c.section, c.key), std::optional<std::string>(c.value));
    }
}

TEST(IniText, ReaderFindsValues) {
    // Reading CR LF lines and empty values is checked by the writer cases above.
    struct Case {
        std::string text;
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"[A]\nx = hello world \n", "A", "x", "hello world"},
        {"[ A ]\n X=1\n", "a", "x", "1"},
        {"[A]\nx=1\r", "A", "x", "1"},
        {"[A]\nx=a=b\n", "A", "x", "a=b"},
        {"x=1\n", "A", "x", std::nullopt},
        {"[A]\n;x=1\n#x=2\n", "A", "x", std::nullopt},
        {"[A\nx=1\n", "A", "x", std::nullopt},
        {"[B]\nx=1\n", "A", "x", std::nullopt},
        {"[A]\nxx=1\n", "A", "x", std::nullopt},
        {"[AB]\nx=1\n", "A", "x", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(findValue(c.text, c.section, c.key), c.expected);
    }
}

TEST(IniFile, RefusesTextThatWouldCorruptTheFile) {
    TempDir dir;
    const fs::path ini = dir.file("VisualORV.Ini");
    const std::string original = "[LogPath]\nSource=/data\n";
    writeFile(ini, original);
    struct Case {
        std::string section, key, value;
    };
    const Case cases[] = {
        {"LogPath", "Source", "/data\n[General]\nMode=1"},
        {"LogPath", "Source", "/data\rx"},
        {"LogPath", "Source", std::string("/da\0ta", 6)},
        {"Log]Path", "Source", "x"},
        {"LogPath", "So=urce", "x"},
        {"LogPath", "", "x"},
        {"", "Source", "x"},
        {"LogPath", " Source", "x"},
        {"LogPath", ";Source", "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section + "/" + c.key);
        EXPECT_FALSE(writeValue(ini, c.section, c.key, c.value));
    }
    EXPECT_EQ(readFile(ini), original);
}

std::size_t entriesIn(const fs::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

TEST(IniFile, CreatesFileAndLeavesNoTemporaryBehind) {
    TempDir dir;
    const fs::path ini = dir.file("VisualORV.Ini");
    EXPECT_EQ(readFileText(ini).status, ReadStatus::Missing);
    EXPECT_TRUE(writeValue(ini, "General", "Mode", "1"));
    EXPECT_TRUE(writeValue(ini, "General", "SerialPort", "4"));
    EXPECT_EQ(readFile(ini), "[General]\nMode=1\nSerialPort=4\n");
    EXPECT_EQ(entriesIn(dir.path()), 1U);
}

TEST(IniFile, WriteFailuresChangeNothing) {
    TempDir dir;
    writeFile(dir.file("plain"), "x");
    fs::create_directory(dir.file("VisualORV.Ini"));
    const fs::path unusable[] = {
        dir.path() / "missing" / "VisualORV.Ini", // folder does not exist
        dir.path() / "plain" / "VisualORV.Ini",   // "folder" is a file: fails even for root
        dir.file("VisualORV.Ini"),                // a directory where the file should be
    };
    for (const fs::path& p : unusable) {
        SCOPED_TRACE(p.string());
        EXPECT_FALSE(writeValue(p, "General", "Mode", "1"));
        EXPECT_EQ(readValue(p, "General", "Mode"), std::nullopt);
    }
    EXPECT_EQ(readFile(dir.file("plain")), "x");
    EXPECT_EQ(entriesIn(dir.path()), 2U);
}

TEST(IniFile, ReadOnlyFileIsLeftAlone) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write any file";
    }
    TempDir dir;
    const fs::path ini = dir.file("VisualORV.Ini");
    writeFile(ini, "[General]\nMode=0\n");
    fs::permissions(ini, fs::perms::owner_read);
    EXPECT_FALSE(writeValue(ini, "General", "Mode", "1"));
    EXPECT_EQ(readFile(ini), "[General]\nMode=0\n");
}

TEST(IniFile, KeepsPermissionsAndSymbolicLinks) {
    TempDir dir;
    const fs::path real = dir.file("real.Ini");
    const fs::path link = dir.file("VisualORV.Ini");
    writeFile(real, "[A]\nx=1\n");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink(real, link);

    EXPECT_TRUE(writeValue(link, "A", "x", "2"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(real), "[A]\nx=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640U);
    EXPECT_EQ(entriesIn(dir.path()), 2U);
}

} // namespace
} // namespace orv::ini
