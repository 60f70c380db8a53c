#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

class IniStore;

// Rules of the interface dialog's port box and port field, apart from the widgets.

inline constexpr std::string_view kAutoPort = "auto";
inline constexpr std::string_view kNoPort = "-";

// "Com5": what the program reads a listed port by.
[[nodiscard]] std::string portItemData(int port);
// "Com5  (/dev/ttyUSB0)": what the list shows, so the user sees which device a number means.
[[nodiscard]] std::string portItemText(int port, std::string_view device);

// Whether port 1..16 takes part in the dialog's port list test (General/PortTest<n>, default
// true; false keeps a port out of the list even when it could be opened).
[[nodiscard]] bool portListTested(const IniStore& ini, int port);

struct PortChoice {
    enum class Kind { None, Auto, Port };
    Kind kind = Kind::None;
    std::int32_t port = 0; // for Kind::Port: ParseLong of the text ("Com3" gives 3)
};

// What the port box text asks for: "-" nothing (no port available), "auto" the automatic
// search, anything else the port whose number ParseLong finds in it.
[[nodiscard]] PortChoice choosePort(std::string_view text);

// The TCP port typed into the port field: its leading number (blanks before it skipped, a
// fraction rounded), or nullopt when that is not a port 1..65535.
[[nodiscard]] std::optional<std::int32_t> tcpPortFromText(std::string_view text);

} // namespace orv
