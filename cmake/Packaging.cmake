# What `cmake --install` puts where, and the Debian package built from it.
include(GNUInstallDirs)

install(TARGETS zorvane zorvane-flash zorvane-radiosim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/zorvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/zorvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES resources/zorvane-32.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
        RENAME zorvane.png)
install(FILES resources/zorvane-16.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/16x16/apps
        RENAME zorvane.png)
# The help viewer reads zorvane_help.txt from the folder the tool runs in:
# operators copy it from here next to their configuration files.
install(FILES resources/zorvane_help.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/zorvane)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME zorvane)
set(CPACK_PACKAGE_VENDOR "Zorvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Radio firmware update tool for the KRIX interface box")
set(CPACK_PACKAGE_DESCRIPTION
    "Zorvane reprograms a radio over a serial line through the KRIX interface box: boot code, CONFIG byte, EEPROM and FLASH in acknowledged blocks. Ships the window (zorvane), a headless flasher for production benches (zorvane-flash) and a radio simulator (zorvane-radiosim).")
set(CPACK_PACKAGE_CONTACT "Zorvane developers <dev@zorvane.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads these at run time, so the library scan cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_GENERATOR DEB)
include(CPack)
