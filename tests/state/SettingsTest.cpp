#include "state/SettingsKeys.h"
#include "state/SettingsLocation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace orv {
namespace {

using test::TempDir;
using test::writeFile;

TEST(SettingsLocation, FollowsTheDataHomeRules) {
    struct Case {
        SettingsEnvironment env; // data home, home, executable path
        std::string folder;
        std::string iniName = "VisualORV.Ini";
    };
    const Case cases[] = {
        {{"/x/data", "/home/u", "VisualORV"}, "/x/data/VisualORV/"},
        {{"/x/data/", "/home/u", "/opt/orv/bin/VisualORV"}, "/x/data/VisualORV/"},
        {{"", "/home/u", "VisualORV"}, "/home/u/.local/share/VisualORV/"},
        {{"data", "/home/u/", "VisualORV"}, "/home/u/.local/share/VisualORV/"},
        {{"", "", "VisualORV"}, "VisualORV/"},
        {{"", "home", "VisualORV"}, "VisualORV/"},
        {{"/d", "/h", "VisualORV.exe"}, "/d/VisualORV/"},
        {{"/d", "/h", "./orv-dev"}, "/d/VisualORV/", "orv-dev.Ini"},
        {{"/d", "/h", ""}, "/d/VisualORV/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.env.xdgDataHome + " | " + c.env.home + " | " + c.env.executablePath);
        const SettingsLocation loc = settingsLocation(c.env);
        EXPECT_EQ(loc.folder, c.folder);
        EXPECT_EQ(loc.iniFile, c.folder + c.iniName);
    }
}

TEST(SettingsLocation, FolderIsCreatedWhenMissing) {
    TempDir dir;
    const SettingsLocation loc =
        settingsLocation({(dir.path() / "new" / "data").string(), "/nonexistent", "VisualORV"});
    EXPECT_TRUE(ensureSettingsFolder(loc));
    EXPECT_TRUE(ensureSettingsFolder(loc)); // already there
    IniStore ini(loc.iniFile);
    EXPECT_TRUE(writeSetting(ini, keys::MainLanguage, "de"));
    EXPECT_EQ(readSetting(ini, keys::MainLanguage), "de");

    writeFile(dir.file("file"), "");
    EXPECT_FALSE(ensureSettingsFolder(settingsLocation({dir.file("file").string(), "", "V"})));
}

TEST(SerialPortDevices, DefaultMapAndOverride) {
    const std::pair<int, const char*> defaults[] = {{1, "/dev/ttyS0"},
                                                    {4, "/dev/ttyS3"},
                                                    {5, "/dev/ttyUSB0"},
                                                    {12, "/dev/ttyUSB7"},
                                                    {13, "/dev/ttyACM0"},
                                                    {16, "/dev/ttyACM3"},
                                                    {0, ""},
                                                    {17, ""}};
    TempDir dir;
    IniStore ini(dir.file("VisualORV.Ini"));
    for (const auto& [port, device] : defaults) {
        SCOPED_TRACE(port);
        EXPECT_EQ(defaultPortDevice(port), device);
        EXPECT_EQ(portDevice(ini, port), device);
    }
    EXPECT_TRUE(ini.WriteIniString(keys::PortMap, keys::portMapKey(5), "/tmp/orv-pty5"));
    EXPECT_EQ(portDevice(ini, 5), "/tmp/orv-pty5");
    EXPECT_EQ(portDevice(ini, 6), "/dev/ttyUSB1");
}

TEST(SettingsKeys, NumberedKeyNamesAndTypedAccess) {
    EXPECT_EQ(keys::portTestKey(5), "PortTest5");
    EXPECT_EQ(keys::portCommKey(16), "PortComm16");
    EXPECT_EQ(keys::portMapKey(12), "COM12");

    TempDir dir;
    IniStore ini(dir.file("VisualORV.Ini"));
    EXPECT_TRUE(writeSetting(ini, keys::WinsockPort, 65535));
    EXPECT_EQ(readSetting(ini, keys::WinsockPort), 65535);
    EXPECT_EQ(readSetting(ini, keys::LogPathSource, "/s/"), "/s/");
    EXPECT_EQ(readSetting(ini, keys::GeneralSettings), "9600,n,8,1");
}

} // namespace
} // namespace orv
