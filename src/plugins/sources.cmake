# mdbtools' library reads the previous version's Jet files.
pkg_check_modules(LIBMDB REQUIRED IMPORTED_TARGET GLOBAL libmdb)
target_sources(briosms_core PRIVATE
  plugins/OldAddressBook.cpp plugins/OldAddressBook.h
  plugins/Plugins.cpp plugins/Plugins.h
)
target_link_libraries(briosms_core PRIVATE PkgConfig::LIBMDB)
# The shipped plug-ins are built here; the program copies them into the data
# folder's Plugins (see plugins-shipped/).
target_compile_definitions(briosms_core PRIVATE
  BRIOSMS_SHIPPED_PLUGINS_DIR="${BRIOSMS_SHIPPED_PLUGINS_DIR}")
