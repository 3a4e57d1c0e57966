# Installation and the Debian package. The program goes to bin/, its syntax
# definitions to share/zinviewer/syntax/ (where an installed program looks
# when there is no syntax folder next to it), the desktop entry and the icon
# to where desktops look for them.
include(GNUInstallDirs)
install(TARGETS zinviewer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/syntax/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zinviewer/syntax)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zinviewer.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zinviewer.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME zinviewer)
set(CPACK_PACKAGE_VERSION 0.1.0)
set(CPACK_PACKAGE_CONTACT "ZinViewer developers <zinviewer@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Read-only viewer for text files of any size")
set(CPACK_PACKAGE_DESCRIPTION "ZinViewer opens multi-gigabyte text files without loading them into\nlines of text, guesses their encoding, decodes them in 37 code pages,\nwraps them into rows and colours them by syntax definitions.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libicu72, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
include(CPack)
