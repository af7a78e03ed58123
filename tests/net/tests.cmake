# brio_add_test(...) lines for tests/net
brio_add_test(tst_http net/tst_http.cpp)
target_link_libraries(tst_http PRIVATE briosms_refserver)
brio_add_test(tst_serverservices net/tst_serverservices.cpp)
target_link_libraries(tst_serverservices PRIVATE briosms_refserver)
brio_add_test(tst_brand net/tst_brand.cpp)
target_link_libraries(tst_brand PRIVATE briosms_refserver)
