# Installation and the Debian package. The program folder keeps the layout
# the program relies on: the executable, the default configuration a site
# may put beside it, and Tallyvane/Help/tallyvane-help.htm; bin/tallyvane is
# a link to it, and the program finds its folder through its real path.
set(TALLYVANE_PROGRAM_DIR "lib/tallyvane")

install(TARGETS tallyvane RUNTIME DESTINATION ${TALLYVANE_PROGRAM_DIR})
install(FILES docs/help/tallyvane-help.htm DESTINATION ${TALLYVANE_PROGRAM_DIR}/Tallyvane/Help)
install(CODE "
  set(bin_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(MAKE_DIRECTORY \"\${bin_dir}\")
  file(REMOVE \"\${bin_dir}/tallyvane\")
  file(CREATE_LINK ../${TALLYVANE_PROGRAM_DIR}/tallyvane \"\${bin_dir}/tallyvane\" SYMBOLIC)
")

# The manual page is compressed while installing, not by the build: a build
# of the program alone (as the example makes it) must install as well as a
# full one.
install(CODE "
  set(man_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/man/man1\")
  file(MAKE_DIRECTORY \"\${man_dir}\")
  message(STATUS \"Installing: \${man_dir}/tallyvane.1.gz\")
  execute_process(COMMAND gzip -9n -c \"${PROJECT_SOURCE_DIR}/packaging/tallyvane.1\"
    OUTPUT_FILE \"\${man_dir}/tallyvane.1.gz\" COMMAND_ERROR_IS_FATAL ANY)
")
install(FILES packaging/tallyvane.desktop DESTINATION share/applications)
install(FILES packaging/tallyvane.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES README.md packaging/copyright DESTINATION share/doc/tallyvane)
install(DIRECTORY examples/ DESTINATION share/doc/tallyvane/examples USE_SOURCE_PERMISSIONS)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallyvane)
set(CPACK_PACKAGE_VENDOR "The Tallyvane developers")
# No address exists: .invalid says so instead of pointing at someone's domain.
set(CPACK_PACKAGE_CONTACT "The Tallyvane developers <developers@tallyvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fill spreadsheet reports from SQL queries")
set(CPACK_PACKAGE_DESCRIPTION
  "Tallyvane copies a spreadsheet template to a new report, runs SQL files\nagainst an ODBC data source, writes the results into the report and\nrecords every step in a run log, unattended or in a desktop window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libc6, libstdc++6, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libodbc2 (>= 2.3.11), unixodbc (>= 2.3.11), libzip4 (>= 1.7), libpugixml1v5 (>= 1.13)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsqliteodbc, xdg-utils")
# The example builds its database and template with these.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, sqlite3, python3-openpyxl")
set(CPACK_STRIP_FILES ON)

# cpack builds only what the package holds, never the tests: installing no
# longer builds everything first, and cpack builds the program before it
# installs it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackBuildFirst.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
  "execute_process(COMMAND \"${CMAKE_COMMAND}\" --build \"${PROJECT_BINARY_DIR}\" --target tallyvane\n"
  "  COMMAND_ERROR_IS_FATAL ANY)\n")
include(CPack)
