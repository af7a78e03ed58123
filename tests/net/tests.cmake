# brio_add_test(...) lines for tests/net
