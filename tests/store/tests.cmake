brio_add_test(tst_database store/tst_database.cpp)
brio_add_test(tst_schema store/tst_schema.cpp)
