# The installed program is one folder, as the program expects: the settings file
# (when the folder can be written) and Help/ live beside the executable.
# Launchers on the PATH point into it.
#
#   <prefix>/lib/orvelle/       Orvelle, orvelle-check, kvr-sim, Help/
#   <prefix>/bin/               Orvelle, orvelle-check, kvr-sim (relative symbolic links)
#   <prefix>/share/applications, share/icons/hicolor, share/metainfo
#   <prefix>/share/doc/orvelle/ the README and a sample command file

include(GNUInstallDirs)
set(ORVELLE_PROGRAM_DIR lib/orvelle)

install(TARGETS Orvelle orvelle-check kvr-sim
        RUNTIME DESTINATION ${ORVELLE_PROGRAM_DIR})
install(FILES ${CMAKE_BINARY_DIR}/bin/Help/OrvelleHelp.chm
        DESTINATION ${ORVELLE_PROGRAM_DIR}/Help)
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/Help/html DESTINATION ${ORVELLE_PROGRAM_DIR}/Help)

# The launchers: links relative to the prefix, so the tree can be moved or
# unpacked anywhere (dpkg -x) and still work.
foreach(program Orvelle orvelle-check kvr-sim)
    install(CODE "
        set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        file(MAKE_DIRECTORY \"\${bin}\")
        file(CREATE_LINK ../${ORVELLE_PROGRAM_DIR}/${program} \"\${bin}/${program}\" SYMBOLIC)
        message(STATUS \"Installing: \${bin}/${program} -> ../${ORVELLE_PROGRAM_DIR}/${program}\")")
endforeach()

# Desktop integration.
set(ORVELLE_APP_ID com.vorlan.orvelle)
configure_file(${PROJECT_SOURCE_DIR}/app/desktop/${ORVELLE_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/generated/${ORVELLE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_SOURCE_DIR}/app/desktop/${ORVELLE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/generated/${ORVELLE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/ui/icons/hicolor/${size}x${size}/orvelle.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/samples/Commands.xls
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvelle)

# The Debian package: cpack -G DEB (scripts/package).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvelle)
set(CPACK_PACKAGE_VENDOR "${ORVELLE_COMPANY}")
set(CPACK_PACKAGE_CONTACT "Orvelle maintainers <orvelle@vorlan.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure and test a card-and-check reader")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Orvelle finds the virtual COM ports of the KVR driver family, opens one,
checks that driver and reader answer, and sends a command sequence read from a
two-column .xls spreadsheet with a typed serial number in place of {{SN}},
showing a transcript of every command and reply. Includes orvelle-check, which
shows what a command file will send, and kvr-sim, a simulated KVR driver.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the programs link come from dpkg-shlibdeps; what Qt loads at
# run time (the platform plugins) and the designed fonts' stand-ins are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xchm | kchmviewer")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
