# brio_add_test(...) lines for tests/gateway
brio_add_test(tst_sandboxgateway gateway/tst_sandboxgateway.cpp)
add_dependencies(tst_sandboxgateway briosms)
brio_add_test(tst_httpgateway gateway/tst_httpgateway.cpp)
target_link_libraries(tst_httpgateway PRIVATE briosms_refserver)
