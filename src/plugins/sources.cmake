# mdbtools' library reads the previous version's Jet files.
pkg_check_modules(LIBMDB REQUIRED IMPORTED_TARGET GLOBAL libmdb)
target_sources(briosms_core PRIVATE
  plugins/OldAddressBook.cpp plugins/OldAddressBook.h
  plugins/Plugins.cpp plugins/Plugins.h
)
target_link_libraries(briosms_core PRIVATE PkgConfig::LIBMDB)
# The shipped plug-ins are built into BRIOSMS_SHIPPED_PLUGINS_DIR, beside the
# program; installed, they lie in libexec. Both are found from the program's
# folder and run from there (see plugins-shipped/).
file(RELATIVE_PATH BRIOSMS_BUILT_PLUGINS_DIR ${CMAKE_CURRENT_BINARY_DIR} ${BRIOSMS_SHIPPED_PLUGINS_DIR})
file(RELATIVE_PATH BRIOSMS_INSTALLED_PLUGINS_DIR ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBEXECDIR}/briosms/plugins)
target_compile_definitions(briosms_core PRIVATE
  BRIOSMS_BUILT_PLUGINS_DIR="${BRIOSMS_BUILT_PLUGINS_DIR}"
  BRIOSMS_INSTALLED_PLUGINS_DIR="${BRIOSMS_INSTALLED_PLUGINS_DIR}")

# mdbtools' library trusts the file it reads and may crash on a damaged one:
# the old address book is read by a helper of its own, so that such a file
# ends in a message rather than in the program's crash.
set(BRIOSMS_OLD_BOOK_READER briosms-leggi-brio1)
add_executable(${BRIOSMS_OLD_BOOK_READER} plugins/read_old_book.cpp)
target_link_libraries(${BRIOSMS_OLD_BOOK_READER} PRIVATE briosms_core)
install(TARGETS ${BRIOSMS_OLD_BOOK_READER} RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/briosms)
file(RELATIVE_PATH BRIOSMS_INSTALLED_OLD_BOOK_READER ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBEXECDIR}/briosms/${BRIOSMS_OLD_BOOK_READER})
target_compile_definitions(briosms_core PRIVATE
  BRIOSMS_OLD_BOOK_READER_NAME="${BRIOSMS_OLD_BOOK_READER}"
  BRIOSMS_INSTALLED_OLD_BOOK_READER="${BRIOSMS_INSTALLED_OLD_BOOK_READER}")
