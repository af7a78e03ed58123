# brio_add_test(...) lines for tests/compose
brio_add_test(tst_compression compose/tst_compression.cpp)
brio_add_test(tst_sendprocedure compose/tst_sendprocedure.cpp compose/SendFixture.cpp compose/SendFixture.h)
target_link_libraries(tst_sendprocedure PRIVATE briosms_refserver)
add_dependencies(tst_sendprocedure briosms)
brio_add_test(tst_messagestate compose/tst_messagestate.cpp)
brio_add_test(tst_numberrules compose/tst_numberrules.cpp)
