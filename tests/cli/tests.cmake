brio_add_test(tst_hostilearguments cli/tst_hostilearguments.cpp)
target_compile_definitions(tst_hostilearguments PRIVATE BRIOSMS_PROGRAM="$<TARGET_FILE:briosms>")
add_dependencies(tst_hostilearguments briosms)
# The real program, started as a script or cron would start it.
brio_add_test(tst_commandline cli/tst_commandline.cpp)
target_compile_definitions(tst_commandline PRIVATE BRIOSMS_PROGRAM="$<TARGET_FILE:briosms>")
add_dependencies(tst_commandline briosms briosms-importa-csv)
