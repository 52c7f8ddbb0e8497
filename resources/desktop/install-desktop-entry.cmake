# Run by `cmake --install`: writes the desktop file with Exec set to the installed bundle's executable
# (under the prefix given now, not the one configured) and installs it where launchers look.
#   in: CORVANTIDE_DESKTOP_TEMPLATE, CORVANTIDE_DESKTOP_WORK (a scratch folder of the build)
set(executable "${CMAKE_INSTALL_PREFIX}/lib/Corvantide.app/bin/Corvantide")
# The Exec key's quoting: a double-quoted argument with ", `, $ and \ escaped by a backslash.
# A literal % is written twice (a single one starts a field code).
string(REPLACE "%" "%%" quoted "${executable}")
string(REPLACE "\\" "\\\\" quoted "${quoted}")
foreach(special "\"" "`" "$")
    string(REPLACE "${special}" "\\${special}" quoted "${quoted}")
endforeach()
if(quoted MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`=%]")
    set(quoted "\"${quoted}\"")
endif()
# In the file the backslashes are themselves escaped, as the string type of the format wants.
string(REPLACE "\\" "\\\\" CORVANTIDE_DESKTOP_EXEC "${quoted}")
configure_file("${CORVANTIDE_DESKTOP_TEMPLATE}" "${CORVANTIDE_DESKTOP_WORK}/com.dunwarbeck.Corvantide.desktop" @ONLY)
file(INSTALL "${CORVANTIDE_DESKTOP_WORK}/com.dunwarbeck.Corvantide.desktop"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications")
