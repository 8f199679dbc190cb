# Installation like a Linux program's, and the Debian package built from it by CPack.
include(GNUInstallDirs)

install(TARGETS ddns ddnsd RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/ddns.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/ddns.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/ddns.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
# The unit names the daemon where this install puts it (the package's /usr/bin, or
# /usr/local/bin for a plain `cmake --install`), which is known only at install time.
install(CODE "
  file(READ \"${CMAKE_SOURCE_DIR}/packaging/ddnsd.service\" unit)
  string(REPLACE \"/usr/bin/ddnsd\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/ddnsd\"
         unit \"\${unit}\")
  string(REPLACE \"/usr/share/doc/ddns\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}\"
         unit \"\${unit}\")
  file(WRITE \"${CMAKE_CURRENT_BINARY_DIR}/unit/ddnsd.service\" \"\${unit}\")
  file(INSTALL \"${CMAKE_CURRENT_BINARY_DIR}/unit/ddnsd.service\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\")
")
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ddns)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ddns developers <ddns@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcurl is opened at run time, so dpkg-shlibdeps does not see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates, libcurl4 (>= 7.85.0)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
include(CPack)
