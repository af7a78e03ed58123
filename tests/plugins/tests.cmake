# The Jet files of the old address book, written by the tests themselves.
add_library(briosms_jetfixture STATIC plugins/JetFixture.cpp plugins/JetFixture.h)
target_include_directories(briosms_jetfixture PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(briosms_jetfixture PUBLIC Qt6::Core)

brio_add_test(tst_oldaddressbook plugins/tst_oldaddressbook.cpp)
# The plug-in the window tests run; what it does follows from its file name.
add_executable(briosms_test_plugin plugins/test_plugin.cpp)
target_link_libraries(briosms_test_plugin PRIVATE briosms_core)

brio_add_test(tst_plugins plugins/tst_plugins.cpp)
add_dependencies(tst_plugins briosms-importa-csv briosms-importa-vcard briosms-esporta-rubrica)
