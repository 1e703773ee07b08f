# What `cmake --install` puts where, and the Debian package built from it.
include(GNUInstallDirs)

# Directories a package creates are the root's, readable by all, whatever the
# umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(ZORVANE_MAINTAINER "Zorvane developers <dev@zorvane.example>")
set(ZORVANE_DEB_REVISION 1)
set(ZORVANE_DEB_VERSION "${PROJECT_VERSION}-${ZORVANE_DEB_REVISION}")
set(ZORVANE_APPSTREAM_ID example.zorvane.zorvane)
set(ZORVANE_PACKAGE_FILES ${PROJECT_BINARY_DIR}/package)

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
# What other programs read of ours: the flash record, the flasher's event
# stream, and their schemas.
install(FILES docs/flash-records.md docs/flash-record.schema.json docs/shift-summary.schema.json docs/json-events.md
  docs/json-events.schema.json
  docs/records-queries.sql
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES resources/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES resources/lintian/zorvane DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)

# Debian wants the changelog and the manual pages compressed, without a name
# or a time stamp in the gzip header so that every build is byte for byte the same.
configure_file(resources/changelog.Debian.in ${ZORVANE_PACKAGE_FILES}/changelog.Debian @ONLY)
set(ZORVANE_GZIPPED ${ZORVANE_PACKAGE_FILES}/changelog.Debian.gz)
add_custom_command(OUTPUT ${ZORVANE_PACKAGE_FILES}/changelog.Debian.gz
  COMMAND gzip -9nf -k ${ZORVANE_PACKAGE_FILES}/changelog.Debian
  DEPENDS ${ZORVANE_PACKAGE_FILES}/changelog.Debian)
set(ZORVANE_VERSION ${PROJECT_VERSION})
set(ZORVANE_MAN_PAGES)
foreach(program zorvane zorvane-flash zorvane-radiosim)
  configure_file(resources/man/${program}.1 ${ZORVANE_PACKAGE_FILES}/${program}.1 @ONLY)
  add_custom_command(OUTPUT ${ZORVANE_PACKAGE_FILES}/${program}.1.gz
    COMMAND gzip -9nf -k ${ZORVANE_PACKAGE_FILES}/${program}.1
    DEPENDS ${ZORVANE_PACKAGE_FILES}/${program}.1)
  list(APPEND ZORVANE_MAN_PAGES ${ZORVANE_PACKAGE_FILES}/${program}.1.gz)
endforeach()
add_custom_target(zorvane_package_files ALL DEPENDS ${ZORVANE_GZIPPED} ${ZORVANE_MAN_PAGES})
install(FILES ${ZORVANE_GZIPPED} DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${ZORVANE_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Shell completion where bash-completion and zsh look for it.
install(FILES resources/completion/zorvane-flash.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME zorvane-flash)
install(FILES resources/completion/_zorvane-flash DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

# Example files to try the simulator with, from the package alone: the demo's
# configuration files and images.
set(ZORVANE_EXAMPLES ${ZORVANE_PACKAGE_FILES}/examples)
add_custom_command(OUTPUT ${ZORVANE_EXAMPLES}/pellamar.cfg
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZORVANE_EXAMPLES}
  COMMAND zorvane-make-demo ${ZORVANE_EXAMPLES}
  DEPENDS zorvane-make-demo)
add_custom_target(zorvane_examples ALL DEPENDS ${ZORVANE_EXAMPLES}/pellamar.cfg)
install(DIRECTORY ${ZORVANE_EXAMPLES}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zorvane/examples)

configure_file(resources/${ZORVANE_APPSTREAM_ID}.metainfo.xml.in
               ${ZORVANE_PACKAGE_FILES}/${ZORVANE_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${ZORVANE_PACKAGE_FILES}/${ZORVANE_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_PACKAGE_NAME zorvane)
set(CPACK_PACKAGE_VENDOR "Zorvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Radio firmware update tool for the KRIX interface box")
# Debian shows the description in lines of under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "Zorvane reprograms a radio over a serial line through the KRIX interface
box: boot code, CONFIG byte, EEPROM and FLASH in acknowledged blocks.
It ships the window (zorvane), a headless flasher for production benches
(zorvane-flash) and a radio simulator (zorvane-radiosim).")
set(CPACK_PACKAGE_CONTACT "${ZORVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, so the library scan cannot see them.
# gpg checks release manifests' signatures (through GPGME); gpgconf ends its agent.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, gpg, gpgconf, libjs-chart.js")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, bash-completion")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ZORVANE_DEB_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The package's programs are stripped; their debug symbols go to a separate
# zorvane-dbgsym package that is built beside it and not shipped.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
include(CPack)
