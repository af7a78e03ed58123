# Two-way sync against a real CardDAV server: each case starts Radicale on a
# free loopback port with its own folder, configuration and users file, and
# stops it at the end. Skipped where Radicale is not installed.
brio_add_test(tst_carddav carddav/tst_carddav.cpp carddav/Radicale.cpp carddav/Radicale.h)
target_include_directories(tst_carddav PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/carddav)
add_dependencies(tst_carddav briosms)
set_tests_properties(tst_carddav PROPERTIES TIMEOUT 600)
