# The end-to-end run through a real Kannel: a ctest fixture starts bearerbox,
# smsbox and the fake SMSC on free loopback ports and stops them afterwards,
# also when the test fails.
set(BRIOSMS_KANNEL_WORK ${CMAKE_CURRENT_BINARY_DIR}/kannel-work)
add_test(NAME kannel_start COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/kannel/kannel-test.sh start ${BRIOSMS_KANNEL_WORK})
add_test(NAME kannel_stop COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/kannel/kannel-test.sh stop ${BRIOSMS_KANNEL_WORK})
set_tests_properties(kannel_start PROPERTIES FIXTURES_SETUP kannel)
set_tests_properties(kannel_stop PROPERTIES FIXTURES_CLEANUP kannel)

brio_add_test(tst_kannel kannel/tst_kannel.cpp compose/SendFixture.cpp compose/SendFixture.h)
target_include_directories(tst_kannel PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/compose)
target_link_libraries(tst_kannel PRIVATE briosms_refserver)
add_dependencies(tst_kannel briosms)
set_property(TEST tst_kannel APPEND PROPERTY FIXTURES_REQUIRED kannel)
set_property(TEST tst_kannel APPEND PROPERTY ENVIRONMENT "BRIOSMS_KANNEL_WORK=${BRIOSMS_KANNEL_WORK}")
brio_test_home(kannel_start)
brio_test_home(kannel_stop)

# The delivery reports: a second Kannel speaking SMPP to a simulated operator
# (node, with the npm package smpp that the fixture installs into its folder).
set(BRIOSMS_DLR_WORK ${CMAKE_CURRENT_BINARY_DIR}/dlr-work)
add_test(NAME dlr_start COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/kannel/dlr-test.sh start ${BRIOSMS_DLR_WORK})
add_test(NAME dlr_stop COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/kannel/dlr-test.sh stop ${BRIOSMS_DLR_WORK})
set_tests_properties(dlr_start PROPERTIES FIXTURES_SETUP kannel_dlr TIMEOUT 300)
set_tests_properties(dlr_stop PROPERTIES FIXTURES_CLEANUP kannel_dlr)
set_property(TEST tst_kannel APPEND PROPERTY FIXTURES_REQUIRED kannel_dlr)
set_property(TEST tst_kannel APPEND PROPERTY ENVIRONMENT "BRIOSMS_DLR_WORK=${BRIOSMS_DLR_WORK}")
brio_test_home(dlr_start)
brio_test_home(dlr_stop)
