# brio_add_test(...) lines for tests/help
brio_add_test(tst_helpbook help/tst_helpbook.cpp)
