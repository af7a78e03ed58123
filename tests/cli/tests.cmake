brio_add_test(tst_hostilearguments cli/tst_hostilearguments.cpp)
target_compile_definitions(tst_hostilearguments PRIVATE BRIOSMS_PROGRAM="$<TARGET_FILE:briosms>")
add_dependencies(tst_hostilearguments briosms)
