# brio_add_test(...) lines for tests/compose
brio_add_test(tst_compression compose/tst_compression.cpp)
brio_add_test(tst_sendprocedure compose/tst_sendprocedure.cpp compose/SendFixture.cpp compose/SendFixture.h)
