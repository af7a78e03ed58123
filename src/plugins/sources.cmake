# mdbtools' library reads the previous version's Jet files.
pkg_check_modules(LIBMDB REQUIRED IMPORTED_TARGET GLOBAL libmdb)
target_sources(briosms_core PRIVATE
  plugins/OldAddressBook.cpp plugins/OldAddressBook.h
)
target_link_libraries(briosms_core PRIVATE PkgConfig::LIBMDB)
