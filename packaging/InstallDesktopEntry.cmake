# Run at install time: writes the menu entry for the executable under the prefix being
# installed to. Exec quoting: the path in double quotes, '"', '`', '$' and '\' escaped with a
# backslash, and every backslash doubled once more for the desktop-entry string; '%' doubled.
set(path "${CMAKE_INSTALL_PREFIX}/bin/velomar")
string(REPLACE "\\" "\\\\\\\\" path "${path}")
foreach(special "\"" "`" "$")
    string(REPLACE "${special}" "\\\\${special}" path "${path}")
endforeach()
string(REPLACE "%" "%%" path "${path}")
set(VELOMAR_EXEC "\"${path}\"")
configure_file("${VELOMAR_TEMPLATE}" "${VELOMAR_ENTRY}" @ONLY)
file(INSTALL "${VELOMAR_ENTRY}" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications")
