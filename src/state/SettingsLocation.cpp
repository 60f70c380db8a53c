#include "state/SettingsLocation.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace orv {

namespace {

constexpr std::string_view ProductFolder = "VisualORV";

std::string withSlash(std::string path) {
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

std::string accountHome() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir) {
        return found->pw_dir;
    }
    return {};
}

} // namespace

SettingsLocation settingsLocation(const SettingsEnvironment& env) {
    std::string dataHome;
    if (!env.xdgDataHome.empty() && env.xdgDataHome.front() == '/') {
        dataHome = env.xdgDataHome;
    } else if (!env.home.empty() && env.home.front() == '/') {
        dataHome = withSlash(env.home) + ".local/share";
    }
    // Without any home the only place left that a user can usually write is the current
    // directory; a folder at the file-system root would fail for everyone but root.
    SettingsLocation location;
    location.folder = dataHome.empty() ? std::string(ProductFolder) + "/"
                                       : withSlash(dataHome) + std::string(ProductFolder) + "/";

    std::string stem = std::filesystem::path(env.executablePath).stem().string();
    if (stem.empty()) {
        stem = ProductFolder;
    }
    location.iniFile = location.folder + stem + ".Ini";
    return location;
}

SettingsEnvironment processEnvironment(std::string executablePath) {
    SettingsEnvironment env;
    if (const char* xdg = std::getenv("XDG_DATA_HOME")) {
        env.xdgDataHome = xdg;
    }
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        env.home = home;
    } else {
        env.home = accountHome();
    }
    env.executablePath = std::move(executablePath);
    return env;
}

bool ensureSettingsFolder(const SettingsLocation& location) {
    std::error_code ec;
    std::filesystem::create_directories(location.folder, ec);
    return std::filesystem::is_directory(location.folder, ec);
}

} // namespace orv
