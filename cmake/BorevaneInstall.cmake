# Install rules and the Debian package. `cmake --install build [--prefix DIR]` installs into a prefix
# (default /usr/local); `cpack -G DEB` in the build tree makes the package, installed under /usr.
include(GNUInstallDirs)

if(BV_CORE_ONLY)
    return()
endif()

install(TARGETS Borevane borevane_reader RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS borevane_monitor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The WITS feed and its user service, which stays off until an installer enables it (see README).
install(TARGETS borevane_wits RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The unit names the program by its installed path, known only when installing (the package installs
# under another prefix than the configured one).
set(bv_wits_unit_source ${CMAKE_CURRENT_SOURCE_DIR}/packaging/borevane-wits.service.in)
set(bv_wits_unit ${CMAKE_CURRENT_BINARY_DIR}/borevane-wits.service)
install(CODE "
    file(READ \"${bv_wits_unit_source}\" unit)
    string(REPLACE @BINDIR@ \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" unit \"\${unit}\")
    file(WRITE \"${bv_wits_unit}\" \"\${unit}\")
    file(INSTALL \"${bv_wits_unit}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\")
")
# The Sparkplug edge node and its user service, off until enabled, made the same way.
install(TARGETS borevane_sparkplug RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(bv_sparkplug_unit_source ${CMAKE_CURRENT_SOURCE_DIR}/packaging/borevane-sparkplug.service.in)
set(bv_sparkplug_unit ${CMAKE_CURRENT_BINARY_DIR}/borevane-sparkplug.service)
install(CODE "
    file(READ \"${bv_sparkplug_unit_source}\" unit)
    string(REPLACE @BINDIR@ \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" unit \"\${unit}\")
    file(WRITE \"${bv_sparkplug_unit}\" \"\${unit}\")
    file(INSTALL \"${bv_sparkplug_unit}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\")
")
# The fleet view on shore, with a menu entry of its own.
install(TARGETS borevane_fleet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/borevane-fleet.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# A test tool for installers, no command for everyone's PATH.
install(TARGETS station_simulator RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/borevane)

# Tells the installed program that it runs from an installation (see acquisition/core/data_dir.h).
install(FILES packaging/installed DESTINATION ${CMAKE_INSTALL_DATADIR}/borevane)
install(FILES packaging/borevane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${BV_ICON_DIR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/borevane)

# The autostart entry belongs where sessions look for it: /etc/xdg/autostart for the prefix /usr (the package),
# PREFIX/etc/xdg/autostart otherwise, from where an administrator copies it to switch autostart on. Decided when
# installing, since the package installs with a prefix other than the configured one.
set(bv_autostart_source ${CMAKE_CURRENT_SOURCE_DIR}/packaging/borevane-autostart.desktop)
install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
        set(bv_autostart_dir /etc/xdg/autostart)
    else()
        set(bv_autostart_dir \"\${CMAKE_INSTALL_PREFIX}/etc/xdg/autostart\")
    endif()
    file(INSTALL \"${bv_autostart_source}\" DESTINATION \"\${bv_autostart_dir}\" RENAME borevane.desktop)
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME borevane)
set(CPACK_PACKAGE_VENDOR Kalvemark)
set(CPACK_PACKAGE_CONTACT "Kalvemark <borevane@kalvemark.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "depth module of a drilling rig's downhole telemetry installation")
set(CPACK_PACKAGE_DESCRIPTION
    "A tray program that asks the rig's mud-logging station once a second for its current values and writes \
hole depth, bit depth, hook load, travelling-block position, inlet pressure and rate of penetration to \
Borevane.bin for the downhole telemetry system. Includes the file reader, a WITS Level 0 feed of the values \
for the rig's other systems, and a station simulator for tests.")
# The install runs with DESTDIR under the prefix /usr, so that the absolute autostart directory lands inside the
# package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no linked library names them: the display plug-ins (xcb, offscreen).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The autostart entry is the administrator's to edit: an upgrade keeps their version.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
