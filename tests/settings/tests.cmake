# brio_add_test(...) lines for tests/settings
brio_add_test(tst_brand settings/tst_brand.cpp)
target_link_libraries(tst_brand PRIVATE briosms_refserver)
