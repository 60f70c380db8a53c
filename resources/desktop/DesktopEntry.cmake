# Runs at install time: writes the desktop entry with the full path of the installed program,
# which only the install knows (`cmake --install build --prefix P`).
set(_exe "${ORV_INSTALL_BINDIR}/VisualORV")
if(NOT IS_ABSOLUTE "${_exe}")
    set(_exe "${CMAKE_INSTALL_PREFIX}/${_exe}")
endif()

# TryExec is a plain string value: a backslash is written as two.
string(REPLACE "\\" "\\\\" ORV_DESKTOP_TRYEXEC "${_exe}")

# Exec takes the path in double quotes. Inside them " ` $ and \ are escaped with a backslash, and
# as the value is a string first, each of those backslashes is written twice; % is written %%.
set(_quoted "${_exe}")
string(REPLACE "\\" "\\\\\\\\" _quoted "${_quoted}")
string(REPLACE "\"" "\\\\\"" _quoted "${_quoted}")
string(REPLACE "`" "\\\\`" _quoted "${_quoted}")
string(REPLACE "$" "\\\\$" _quoted "${_quoted}")
string(REPLACE "%" "%%" _quoted "${_quoted}")
set(ORV_DESKTOP_EXEC "\"${_quoted}\"")

configure_file("${ORV_DESKTOP_TEMPLATE}" "${ORV_DESKTOP_OUTPUT}" @ONLY)
