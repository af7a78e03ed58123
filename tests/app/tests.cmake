brio_add_test(tst_reporterror app/tst_reporterror.cpp)
brio_add_test(tst_startup app/tst_startup.cpp)
