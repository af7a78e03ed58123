# Installation in the usual places and the Debian package (cpack -G DEB).

install(TARGETS briosms RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/briosms.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/it.briosms.briosms.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The manual page and the changelog compressed as Debian wants them (gzip -9n:
# no name nor time inside, so the same sources give the same bytes).
set(BRIOSMS_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package-files)
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${BRIOSMS_PACKAGE_FILES}/briosms.1.gz ${BRIOSMS_PACKAGE_FILES}/briosms.en.1.gz
                          ${BRIOSMS_PACKAGE_FILES}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BRIOSMS_PACKAGE_FILES}
  COMMAND ${GZIP_PROGRAM} -9n < ${PROJECT_SOURCE_DIR}/docs/briosms.1 > ${BRIOSMS_PACKAGE_FILES}/briosms.1.gz
  COMMAND ${GZIP_PROGRAM} -9n < ${PROJECT_SOURCE_DIR}/docs/briosms.en.1 > ${BRIOSMS_PACKAGE_FILES}/briosms.en.1.gz
  COMMAND ${GZIP_PROGRAM} -9n < ${PROJECT_SOURCE_DIR}/data/debian/changelog > ${BRIOSMS_PACKAGE_FILES}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/briosms.1 ${PROJECT_SOURCE_DIR}/docs/briosms.en.1 ${PROJECT_SOURCE_DIR}/data/debian/changelog
  VERBATIM)
add_custom_target(briosms_package_files ALL
  DEPENDS ${BRIOSMS_PACKAGE_FILES}/briosms.1.gz ${BRIOSMS_PACKAGE_FILES}/briosms.en.1.gz
          ${BRIOSMS_PACKAGE_FILES}/changelog.gz)
install(FILES ${BRIOSMS_PACKAGE_FILES}/briosms.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The English manual page, which man finds for English locales.
install(FILES ${BRIOSMS_PACKAGE_FILES}/briosms.en.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/en/man1 RENAME briosms.1.gz)
set(BRIOSMS_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/briosms)
install(FILES ${BRIOSMS_PACKAGE_FILES}/changelog.gz ${PROJECT_SOURCE_DIR}/data/debian/copyright
        DESTINATION ${BRIOSMS_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${BRIOSMS_DOC_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${BRIOSMS_DOC_DIR} FILES_MATCHING PATTERN "*.md")

# A user timer that hands over the held sends without the window:
# systemctl --user enable --now briosms-send-due.timer
# and a user service that receives the delivery reports:
# systemctl --user enable --now briosms-reports.service
foreach(unit briosms-send-due.service briosms-send-due.timer briosms-reports.service)
  configure_file(${PROJECT_SOURCE_DIR}/data/systemd/${unit} ${BRIOSMS_SYSTEMD_UNITS_DIR}/${unit} COPYONLY)
  install(FILES ${BRIOSMS_SYSTEMD_UNITS_DIR}/${unit} DESTINATION lib/systemd/user)
endforeach()

set(CPACK_PACKAGE_NAME briosms)
set(CPACK_PACKAGE_VENDOR "BrioSMS")
set(CPACK_PACKAGE_CONTACT "BrioSMS <supporto@briosms.it>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "send SMS text messages through a web SMS gateway")
# Lines of at most 80 columns, as Debian's tools show them.
set(CPACK_PACKAGE_DESCRIPTION
  "BrioSMS is a desktop client, in Italian and English, for sending SMS text\n\
messages through a web SMS gateway or Kannel: an address book with groups and\n\
search, deferred sends, the account's credit, plug-ins that import and export\n\
contacts, a command line for scripts, and an embedded sandbox gateway to try\n\
it without an account.")
set(CPACK_PACKAGE_FILE_NAME "briosms_${PROJECT_VERSION}")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Found at run time, not linked: the windowing plug-in of Qt and the Italian
# texts of Qt's standard buttons (the program's own translations are built in).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
# Only the program itself goes into the package, not the tests' tools.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
