# `cpack` (from the build folder) makes a Debian package of what `cmake --install` puts in place:
# the four programs, their menu entries and icons. Its dependencies are read off the programs by
# dpkg-shlibdeps; the font that the window's Japanese captions want is recommended.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rkt5-updater)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for the RK-T5 handheld transceiver")
set(CPACK_PACKAGE_DESCRIPTION
    "Writes firmware EG5.000 into an RK-T5 transceiver over a serial line: a one-button window \
(rkt5-updater), a station window that updates many transceivers at once (rkt5-station), a \
terminal flasher for scripts (rkt5-flash), and a simulated transceiver on a pseudo-terminal for \
trying them without hardware (rkt5-sim).")
set(CPACK_PACKAGE_CONTACT "RK-T5 updater developers <rkt5-updater@example.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-ipafont-gothic)
include(CPack)
