# brio_add_test(...) lines for tests/gateway
brio_add_test(tst_sandboxgateway gateway/tst_sandboxgateway.cpp)
