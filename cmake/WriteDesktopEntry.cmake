# Run by `cmake --install`: writes the desktop entry with the console's installed path, quoted as a
# desktop entry's Exec key wants, so a prefix with spaces or other special characters still starts it.
# In: CMAKE_INSTALL_PREFIX, CUSTODIA_DESKTOP_TEMPLATE, CUSTODIA_DESKTOP_FILE.
set(exec "${CMAKE_INSTALL_PREFIX}/bin/custodia")
# Inside the quotes, backslash, quote, backtick and dollar take a backslash...
string(REGEX REPLACE "([\\\\\"`$])" "\\\\\\1" exec "${exec}")
# ...then the value as a whole is a string, whose backslashes are doubled, and % starts a field code.
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
set(CUSTODIA_EXEC "\"${exec}\"")
configure_file("${CUSTODIA_DESKTOP_TEMPLATE}" "${CUSTODIA_DESKTOP_FILE}" @ONLY)
