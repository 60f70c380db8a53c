#pragma once

#include "state/IniStore.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// One setting: where it lives in the settings file and the default its readers pass.
template <class T>
struct SettingKey {
    std::string_view section;
    std::string_view key;
    T fallback{};
};

using IntKey = SettingKey<std::int16_t>;
using LongKey = SettingKey<std::int32_t>;
using BoolKey = SettingKey<bool>;
using StringKey = SettingKey<std::string_view>;

// Every key of the settings file. Window positions and sizes are in twips, relative to the
// window's parent (the screen for top-level windows, the main window's client area otherwise).
namespace keys {

inline constexpr std::string_view MainWindow = "MainWindow";
inline constexpr std::string_view Main = "Main";
inline constexpr std::string_view LogPath = "LogPath";
inline constexpr std::string_view General = "General";
inline constexpr std::string_view Winsock = "Winsock";
inline constexpr std::string_view Dialog = "Dialog";
inline constexpr std::string_view GrafWindow = "GrafWindow";
inline constexpr std::string_view MonWindow = "MonWindow";
inline constexpr std::string_view OnlineWindow = "OnlineWindow";
inline constexpr std::string_view OfflDiagrWindow = "OfflDiagrWindow";
inline constexpr std::string_view DataWindow = "DataWindow";
inline constexpr std::string_view PortMap = "PortMap";
inline constexpr std::string_view Mqtt = "Mqtt";
inline constexpr std::string_view Alarms = "Alarms";
inline constexpr std::string_view Humidity = "Humidity";

// 0 normal, 1 minimised, 2 maximised. Left/Top/Width/Height apply only in the normal state.
inline constexpr IntKey MainWindowState{MainWindow, "WindowState", 0};
inline constexpr LongKey MainWindowLeft{MainWindow, "Left", 0};
inline constexpr LongKey MainWindowTop{MainWindow, "Top", 0};
inline constexpr LongKey MainWindowWidth{MainWindow, "Width", 8200};
inline constexpr LongKey MainWindowHeight{MainWindow, "Height", 4600};
// Live windows that were open at the last exit.
inline constexpr BoolKey MainWindowGraph{MainWindow, "WindowGraph", false};
inline constexpr BoolKey MainWindowMonitor{MainWindow, "WindowMonitor", false};
inline constexpr BoolKey MainWindowOnline{MainWindow, "WindowOnline", false};

// "de" or "eng"; empty means the program has never run (first-run language choice).
inline constexpr StringKey MainLanguage{Main, "Language", ""};

// Folders for opening log files and for new log files and exports. Their default is the
// settings folder, known only at run time: pass it as the fallback.
inline constexpr StringKey LogPathSource{LogPath, "Source", ""};
inline constexpr StringKey LogPathDestination{LogPath, "Destination", ""};

// 0 serial link, otherwise network link. The interface dialog writes it as a boolean ("1"/"0").
inline constexpr IntKey GeneralMode{General, "Mode", 0};
// Serial port number 1..16 on which the sensor was last found, 0 for none.
inline constexpr IntKey GeneralSerialPort{General, "SerialPort", 0};
// Serial line settings: baud rate, parity, data bits, stop bits. Read only.
inline constexpr StringKey GeneralSettings{General, "Settings", "9600,n,8,1"};
// Port being opened during a port test, 0 when none: left behind by a crash in the driver.
inline constexpr IntKey GeneralCrashPort{General, "CrashPort", 0};
// Ports excluded from the port test, each number followed by "!", the list starting with "!".
inline constexpr StringKey GeneralPortTest{General, "PortTest", "!"};
// Per port n (see portTestKey/portCommKey below), both in section General.
inline constexpr bool PortTestAllowedDefault = true;

inline constexpr StringKey WinsockIP{Winsock, "IP", ""};
// A 32-bit value: TCP ports go up to 65535, beyond a 16-bit integer. The text is the same.
inline constexpr LongKey WinsockPort{Winsock, "Port", 31222};

// Display settings. The three unit keys are written together, exactly one of them true.
inline constexpr BoolKey DialogCelsius{Dialog, "Celsius", true};
inline constexpr BoolKey DialogFahrenheit{Dialog, "Fahrenheit", false};
inline constexpr BoolKey DialogKelvin{Dialog, "Kelvin", false};
// True: channel 2 is the relative humidity; false: the dew point (despite the name).
inline constexpr BoolKey DialogTP{Dialog, "TP", true};

inline constexpr LongKey GrafWindowLeft{GrafWindow, "Left", 0};
inline constexpr LongKey GrafWindowTop{GrafWindow, "Top", 0};
inline constexpr LongKey GrafWindowWidth{GrafWindow, "Width", 6200};
inline constexpr LongKey GrafWindowHeight{GrafWindow, "Height", 3600};

inline constexpr LongKey MonWindowLeft{MonWindow, "Left", 0};
inline constexpr LongKey MonWindowTop{MonWindow, "Top", 0};

inline constexpr LongKey OnlineWindowLeft{OnlineWindow, "Left", 0};
inline constexpr LongKey OnlineWindowTop{OnlineWindow, "Top", 0};
inline constexpr LongKey OnlineWindowHeight{OnlineWindow, "Height", 680};
// A second line under the two values with the humidity quantities.
inline constexpr BoolKey OnlineWindowDerived{OnlineWindow, "Derived", false};

// Air pressure in hPa (decimal point) for the mixing ratio, enthalpy and wet bulb.
inline constexpr StringKey HumidityPressure{Humidity, "Pressure", "1013.25"};

inline constexpr LongKey OfflDiagrWindowLeft{OfflDiagrWindow, "Left", 0};
inline constexpr LongKey OfflDiagrWindowTop{OfflDiagrWindow, "Top", 0};
inline constexpr LongKey OfflDiagrWindowWidth{OfflDiagrWindow, "Width", 6200};
inline constexpr LongKey OfflDiagrWindowHeight{OfflDiagrWindow, "Height", 3600};

inline constexpr LongKey DataWindowLeft{DataWindow, "Left", 0};
inline constexpr LongKey DataWindowTop{DataWindow, "Top", 0};

// Publishing the live samples to an MQTT broker (Preferences > MQTT); off by default.
inline constexpr BoolKey MqttEnabled{Mqtt, "Enabled", false};
inline constexpr StringKey MqttHost{Mqtt, "Host", ""};
inline constexpr LongKey MqttPort{Mqtt, "Port", 1883};
inline constexpr StringKey MqttPrefix{Mqtt, "Prefix", "visualorv"};
inline constexpr StringKey MqttUser{Mqtt, "User", ""};
inline constexpr StringKey MqttPassword{Mqtt, "Password", ""};
inline constexpr StringKey MqttCaFile{Mqtt, "CaFile", ""};

inline constexpr int FirstSerialPort = 1;
inline constexpr int LastSerialPort = 16;

// "PortTest5": boolean in General, false keeps port 5 out of the interface dialog's port list.
[[nodiscard]] std::string portTestKey(int port);
// "PortComm3": boolean in General, written true for the port open after the interface dialog.
[[nodiscard]] std::string portCommKey(int port);
// "COM5": string in PortMap, the device file of serial port 5.
[[nodiscard]] std::string portMapKey(int port);
// "Rule1".."Rule20": string in Alarms, one alarm rule each ("humidity>70 for 60s"). Empty or
// missing keys are skipped, so a rule deleted by hand does not hide the ones after it.
[[nodiscard]] std::string alarmRuleKey(int n);
inline constexpr int MaxAlarmRules = 20;

} // namespace keys

// The device file of serial port 1..16 when the settings do not say otherwise:
// COM1-4 /dev/ttyS0-3, COM5-12 /dev/ttyUSB0-7, COM13-16 /dev/ttyACM0-3. Empty for other numbers.
[[nodiscard]] std::string defaultPortDevice(int port);

// The device file of serial port 1..16: PortMap/COM<n> when set, else the default above.
[[nodiscard]] std::string portDevice(const IniStore& ini, int port);

// Reading and writing a key of the table with its own default.
[[nodiscard]] inline std::int16_t readSetting(const IniStore& ini, const IntKey& k) {
    return ini.ReadIniInt(k.section, k.key, k.fallback);
}
[[nodiscard]] inline std::int32_t readSetting(const IniStore& ini, const LongKey& k) {
    return ini.ReadIniLong(k.section, k.key, k.fallback);
}
[[nodiscard]] inline bool readSetting(const IniStore& ini, const BoolKey& k) {
    return ini.ReadIniBool(k.section, k.key, k.fallback);
}
[[nodiscard]] inline std::string readSetting(const IniStore& ini, const StringKey& k) {
    return ini.ReadIniString(k.section, k.key, k.fallback);
}
// For keys whose default is only known at run time (the LogPath folders).
[[nodiscard]] inline std::string readSetting(const IniStore& ini, const StringKey& k,
                                             std::string_view fallback) {
    return ini.ReadIniString(k.section, k.key, fallback);
}

inline bool writeSetting(IniStore& ini, const IntKey& k, std::int16_t value) {
    return ini.WriteIniInt(k.section, k.key, value);
}
inline bool writeSetting(IniStore& ini, const LongKey& k, std::int32_t value) {
    return ini.WriteIniLong(k.section, k.key, value);
}
inline bool writeSetting(IniStore& ini, const BoolKey& k, bool value) {
    return ini.WriteIniBool(k.section, k.key, value);
}
inline bool writeSetting(IniStore& ini, const StringKey& k, std::string_view value) {
    return ini.WriteIniString(k.section, k.key, value);
}

} // namespace orv
