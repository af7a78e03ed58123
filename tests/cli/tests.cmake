brio_add_test(tst_hostilearguments cli/tst_hostilearguments.cpp)
add_dependencies(tst_hostilearguments briosms)
# The real program, started as a script or cron would start it.
brio_add_test(tst_commandline cli/tst_commandline.cpp)
add_dependencies(tst_commandline briosms briosms-importa-csv)
