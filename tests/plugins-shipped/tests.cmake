brio_add_test(tst_shippedplugins plugins-shipped/tst_shippedplugins.cpp)
target_link_libraries(tst_shippedplugins PRIVATE briosms_pluginwindows)
target_compile_definitions(tst_shippedplugins PRIVATE
  BRIOSMS_SHIPPED_DIR="$<TARGET_FILE_DIR:briosms-importa-csv>")
add_dependencies(tst_shippedplugins briosms-importa-csv briosms-importa-vcard briosms-esporta-rubrica)
