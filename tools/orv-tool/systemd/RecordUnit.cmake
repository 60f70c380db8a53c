# Runs at install time: writes the recorder's systemd units with the full path of the installed
# orv-tool, which only the install knows (`cmake --install build --prefix P`), and installs them
# as PREFIX/lib/systemd/system/orv-record@.service and PREFIX/lib/systemd/user/orv-record@.service.
set(_exe "${ORV_INSTALL_BINDIR}/orv-tool")
if(NOT IS_ABSOLUTE "${_exe}")
    set(_exe "${CMAKE_INSTALL_PREFIX}/${_exe}")
endif()
# ExecStart takes the path in double quotes: a backslash and a double quote are escaped with a
# backslash, a % (a unit specifier) is written %%.
set(_quoted "${_exe}")
string(REPLACE "\\" "\\\\" _quoted "${_quoted}")
string(REPLACE "\"" "\\\"" _quoted "${_quoted}")
string(REPLACE "%" "%%" _quoted "${_quoted}")
foreach(_kind system user)
    file(READ "${ORV_RECORD_UNIT_SOURCE}/${_kind}/orv-record@.service.in" _unit)
    string(REPLACE "@ORV_TOOL_INSTALLED@" "${_quoted}" _unit "${_unit}")
    file(WRITE "${ORV_RECORD_UNIT_BUILD}/${_kind}/orv-record@.service" "${_unit}")
    file(INSTALL "${ORV_RECORD_UNIT_BUILD}/${_kind}/orv-record@.service"
         DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/${_kind}")
endforeach()
