# Kestrel installed as a Linux desktop program, and its Debian package:
#   cmake --install BUILD_DIR [--prefix DIR]
#   cpack -G DEB (in BUILD_DIR)     scripts/package does it all into dist/
# The desktop entry and the icons are installed by desktop/CMakeLists.txt.
include(GNUInstallDirs)

foreach(program kestrel kestrel-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES docs/w_main.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)  # the README's picture

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration files of an HTTP auto-update for Windows programs")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrel is a one-form desktop tool. The publisher of a Windows program fills
in the form and Kestrel writes, into the folder it was started in,
UpdateConfig.ini for the update client and Update.txt for the web server,
both in GBK with CR LF line ends. Opened again in that folder, it fills the
form from the two files for the next release.")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# kestrel_<version>_amd64.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link (Qt's among them) come from
# dpkg-shlibdeps. Besides them: Qt's platform plugins, without which no
# window opens (libqt6gui6 only recommends them), and the Song face that
# stands in for SimSun, which the form's layout is drawn for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-arphic-uming")
include(CPack)
