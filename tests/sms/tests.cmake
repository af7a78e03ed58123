# brio_add_test(...) lines for tests/sms
brio_add_test(tst_gsmtext sms/tst_gsmtext.cpp)
