# brio_add_test(...) lines for tests/history
brio_add_test(tst_reportreceiver history/tst_reportreceiver.cpp)
