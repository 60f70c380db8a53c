#pragma once

#include <string>
#include <string_view>

namespace orv {

// Where the settings file lives: `SettingsFolder` (always ending in "/") and `IniFile`.
// The folder is also the first folder offered for log files and exports.
struct SettingsLocation {
    std::string folder;
    std::string iniFile;
};

// What the location depends on, gathered once at start-up.
struct SettingsEnvironment {
    std::string xdgDataHome;    // $XDG_DATA_HOME, may be empty
    std::string home;           // $HOME, or the account's home folder when $HOME is unset
    std::string executablePath; // the program's file name, with or without folders
};

// "<data home>/VisualORV/<executable name without extension>.Ini", the data home being
// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share. Without either, the folder
// "VisualORV/" relative to the current directory is used. An empty executable name counts as
// "VisualORV".
[[nodiscard]] SettingsLocation settingsLocation(const SettingsEnvironment& env);

// The environment of this process; `executablePath` is passed through.
[[nodiscard]] SettingsEnvironment processEnvironment(std::string executablePath);

// Creates the folder (and its parents) when missing. A failure is not fatal: every later write
// to the settings file then fails and the program runs on its defaults. Returns whether the folder
// exists afterwards.
bool ensureSettingsFolder(const SettingsLocation& location);

} // namespace orv
