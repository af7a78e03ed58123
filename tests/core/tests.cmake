brio_add_test(tst_log core/tst_log.cpp)
