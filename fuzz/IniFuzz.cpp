// Arbitrary bytes as a settings file (and as a string table resource): every reader must cope,
// and the writer must store exactly one value without disturbing any other.
#include "state/IniDecode.h"
#include "state/IniFile.h"
#include "state/IniStore.h"
#include "state/StringTable.h"
#include "support/TempDir.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Name {
    std::string_view section, key;
};

constexpr Name Written{"General", "SerialPort"};
constexpr Name Others[] = {
    {"general", "Mode"},           {"Winsock", "Port"},   {"Winsock", "IP"},
    {"Dialog", "Celsius"},         {"LogPath", "Source"}, {"PortMap", "COM5"},
    {"MainWindow", "WindowState"},
};

void checkText(std::string_view text) {
    const std::string value = "fuzz 42";
    const std::string changed = orv::ini::withValue(text, Written.section, Written.key, value);
    require(orv::ini::findValue(changed, Written.section, Written.key) == value);
    require(orv::ini::withValue(changed, Written.section, Written.key, value) == changed);
    for (const Name& other : Others) {
        require(orv::ini::findValue(changed, other.section, other.key) ==
                orv::ini::findValue(text, other.section, other.key));
    }
}

void checkFile(const std::filesystem::path& folder, std::string_view text) {
    const std::filesystem::path ini = folder / "VisualORV.Ini";
    {
        std::ofstream out(ini, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    orv::IniStore store(ini);
    for (const Name& n : Others) {
        (void)store.ReadIniInt(n.section, n.key, 7);
        (void)store.ReadIniLong(n.section, n.key, 31222);
        (void)store.ReadIniBool(n.section, n.key, true);
        require(store.ReadIniString(n.section, n.key, "d").size() <= 4 * 255);
    }
    if (store.WriteIniInt(Written.section, Written.key, -12345)) {
        require(store.ReadIniInt(Written.section, Written.key, 0) == -12345);
        require(store.ReadIniString(Written.section, Written.key, "") == "-12345");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // one scratch folder per fuzzing process
    static const orv::test::TempDir scratch;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    checkText(text);
    checkFile(scratch.path(), text);

    const std::string_view cut = orv::ini::cutStoredText(text, orv::ini::IntTextLimit);
    (void)orv::ini::decodeInt(cut, 1);
    (void)orv::ini::decodeLong(cut, 1);
    (void)orv::ini::decodeBool(orv::ini::cutStoredText(text, orv::ini::BoolTextLimit), false);
    (void)orv::ini::leadingNumber(text);
    (void)orv::parseStringTable(text);
    return 0;
}
