brio_add_test(tst_startup app/tst_startup.cpp)
brio_add_test(tst_databasepassword app/tst_databasepassword.cpp)
brio_add_test(tst_singleinstance app/tst_singleinstance.cpp)
add_dependencies(tst_singleinstance briosms)
brio_add_test(tst_unchecked app/tst_unchecked.cpp)
brio_add_test(tst_gatewaychoice app/tst_gatewaychoice.cpp)
brio_add_test(tst_uilanguage app/tst_uilanguage.cpp)
target_compile_definitions(tst_uilanguage PRIVATE BRIOSMS_TS_FILE="${PROJECT_SOURCE_DIR}/translations/briosms_en.ts"
  BRIOSMS_SOURCE_DIR="${PROJECT_SOURCE_DIR}/src"
  BRIOSMS_LUPDATE="$<TARGET_FILE:Qt6::lupdate>")
add_dependencies(tst_uilanguage briosms)
