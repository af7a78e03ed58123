# brio_add_test(...) lines for tests/net
brio_add_test(tst_referenceserver net/tst_referenceserver.cpp)
target_link_libraries(tst_referenceserver PRIVATE briosms_refserver)
