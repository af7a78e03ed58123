# mdbtools' library reads the previous version's Jet files.
pkg_check_modules(LIBMDB REQUIRED IMPORTED_TARGET GLOBAL libmdb)
target_sources(briosms_core PRIVATE
  plugins/OldAddressBook.cpp plugins/OldAddressBook.h
  plugins/Plugins.cpp plugins/Plugins.h
)
target_link_libraries(briosms_core PRIVATE PkgConfig::LIBMDB)
# The shipped plug-ins are built into BRIOSMS_SHIPPED_PLUGINS_DIR; the program
# copies them into the data folder's Plugins (see plugins-shipped/). Installed,
# they lie in libexec, found from the program's folder.
file(RELATIVE_PATH BRIOSMS_INSTALLED_PLUGINS_DIR ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBEXECDIR}/briosms/plugins)
target_compile_definitions(briosms_core PRIVATE
  BRIOSMS_SHIPPED_PLUGINS_DIR="${BRIOSMS_SHIPPED_PLUGINS_DIR}"
  BRIOSMS_INSTALLED_PLUGINS_DIR="${BRIOSMS_INSTALLED_PLUGINS_DIR}")
