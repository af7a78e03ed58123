# The real program, started as a script or cron would start it.
brio_add_test(tst_commandline cli/tst_commandline.cpp)
target_compile_definitions(tst_commandline PRIVATE BRIOSMS_PROGRAM="$<TARGET_FILE:briosms>")
add_dependencies(tst_commandline briosms briosms-importa-csv)
