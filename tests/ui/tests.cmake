# brio_add_test(...) lines for tests/ui
brio_add_test(tst_mainwindowsend ui/tst_mainwindowsend.cpp)
target_compile_definitions(tst_mainwindowsend PRIVATE BRIOSMS_PROGRAM="$<TARGET_FILE:briosms>")
add_dependencies(tst_mainwindowsend briosms)
brio_add_test(tst_optionswindows ui/tst_optionswindows.cpp)
brio_add_test(tst_loginwindow ui/tst_loginwindow.cpp)
brio_add_test(tst_listroutines ui/tst_listroutines.cpp)
brio_add_test(tst_mainwindow ui/tst_mainwindow.cpp)
brio_add_test(tst_firstrun ui/tst_firstrun.cpp)
