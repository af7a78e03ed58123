# Installation in the usual places and the Debian package (cpack -G DEB).

install(TARGETS briosms RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/briosms.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/it.briosms.BrioSMS.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
if(EXISTS ${PROJECT_SOURCE_DIR}/docs/briosms.1)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/briosms.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
# The English manual page, which man finds for English locales.
install(FILES ${PROJECT_SOURCE_DIR}/docs/briosms.en.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/en/man1 RENAME briosms.1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/briosms)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/briosms FILES_MATCHING PATTERN "*.md")

set(CPACK_PACKAGE_NAME briosms)
set(CPACK_PACKAGE_VENDOR "BrioSMS")
set(CPACK_PACKAGE_CONTACT "BrioSMS <supporto@briosms.it>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Send SMS text messages to your contacts through a web SMS gateway")
set(CPACK_PACKAGE_DESCRIPTION
  "BrioSMS is a desktop client, in Italian and English, for sending SMS text messages through a web SMS gateway:\n\
an address book with groups and search, deferred sends, the account's credit, plug-ins that import\n\
and export contacts, and an embedded sandbox gateway to try it without an account.")
set(CPACK_PACKAGE_FILE_NAME "briosms_${PROJECT_VERSION}")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Found at run time, not linked: the windowing plug-in of Qt and the Italian
# texts of Qt's standard buttons (the program's own translations are built in).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
# Only the program itself goes into the package, not the tests' tools.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
