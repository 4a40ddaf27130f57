# Kestrel installed as a Linux desktop program, and its Debian packages:
#   cmake --install BUILD_DIR [--prefix DIR]
#   cpack -G DEB (in BUILD_DIR)     scripts/package does it all into dist/
# Two packages, one per install component: kestrel-cli (component cli: the
# command-line program alone, for build machines with neither Qt nor a
# display) and kestrel (component kestrel, the default: the form, its menu
# entry and icons from desktop/CMakeLists.txt, the README), which depends on
# kestrel-cli of the same version.
include(GNUInstallDirs)

if(TARGET kestrel-cli)
  install(TARGETS kestrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrel-cli COMPONENT cli)
endif()
if(TARGET kestrel)
  install(TARGETS kestrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kestrel)
endif()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT kestrel)
install(FILES docs/w_main.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs COMPONENT kestrel)  # the README's picture

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
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli kestrel)
# kestrel_<version>_amd64.deb and kestrel-cli_<version>_amd64.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_KESTREL_PACKAGE_NAME kestrel)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME kestrel-cli)
# Both packages share the summary line above.
set(CPACK_COMPONENT_CLI_DESCRIPTION
    "kestrel-cli writes UpdateConfig.ini and Update.txt for an HTTP auto-update of
a Windows program from a script or a release pipeline, checks a package as
the client unpacks it, and checks the release as a web server serves it to
the clients. It needs neither Qt nor a
display; the form is in the package kestrel.")
set(CPACK_COMPONENT_KESTREL_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# The libraries the programs link (Qt's among them) come from
# dpkg-shlibdeps. Besides them: Qt's platform plugins, without which no
# window opens (libqt6gui6 only recommends them), and the Song face that
# stands in for SimSun, which the form's layout is drawn for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# kestrel-cli's own dependencies are its libraries' alone (libcurl, libcrypto, libarchive).
set(CPACK_DEBIAN_KESTREL_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-arphic-uming, kestrel-cli (= ${PROJECT_VERSION})")
include(CPack)
