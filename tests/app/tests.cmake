brio_add_test(tst_startup app/tst_startup.cpp)
brio_add_test(tst_databasepassword app/tst_databasepassword.cpp)
