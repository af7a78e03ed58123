# The plug-ins shipped with the program: separate programs, built into
# BRIOSMS_SHIPPED_PLUGINS_DIR with their descriptors; the program copies them
# into the data folder's Plugins.
add_library(briosms_pluginkit STATIC
  plugins-shipped/BookExport.cpp plugins-shipped/BookExport.h
  plugins-shipped/BookImport.cpp plugins-shipped/BookImport.h
  plugins-shipped/CsvSource.cpp plugins-shipped/CsvSource.h
  plugins-shipped/ImportRow.cpp plugins-shipped/ImportRow.h
  plugins-shipped/PhoneNumbers.cpp plugins-shipped/PhoneNumbers.h
  plugins-shipped/PluginProgram.cpp plugins-shipped/PluginProgram.h plugins-shipped/PluginWindows.h
  plugins-shipped/VCardSource.cpp plugins-shipped/VCardSource.h
)
target_include_directories(briosms_pluginkit PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/plugins-shipped)
target_link_libraries(briosms_pluginkit PUBLIC briosms_core PRIVATE csv vformat)

# libphonenumber's reading of uncommon number forms, a module the plug-ins
# load at the first number that needs it (see PhoneNumbers.cpp).
add_library(briosms-plugin-numbers MODULE plugins-shipped/PhoneNumbersLibrary.cpp)
set_target_properties(briosms-plugin-numbers PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${BRIOSMS_SHIPPED_PLUGINS_DIR})
target_include_directories(briosms-plugin-numbers PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/plugins-shipped)
target_link_libraries(briosms-plugin-numbers PRIVATE Qt6::Core phonenumber)
install(TARGETS briosms-plugin-numbers LIBRARY DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/briosms/plugins
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

add_library(briosms_pluginwindows STATIC
  plugins-shipped/CsvPreviewDialog.cpp plugins-shipped/CsvPreviewDialog.h plugins-shipped/CsvPreviewDialog.ui
  plugins-shipped/ExportDialog.cpp plugins-shipped/ExportDialog.h plugins-shipped/ExportDialog.ui
)
set_target_properties(briosms_pluginwindows PROPERTIES AUTOUIC ON)
target_link_libraries(briosms_pluginwindows PUBLIC briosms_pluginkit Qt6::Widgets)

# The windows, a module the plug-ins load only when they show one: a batch
# run never loads the window system's libraries.
add_library(briosms-plugin-windows MODULE plugins-shipped/PluginWindows.cpp plugins-shipped/PluginWindows.h)
set_target_properties(briosms-plugin-windows PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${BRIOSMS_SHIPPED_PLUGINS_DIR})
target_link_libraries(briosms-plugin-windows PRIVATE briosms_pluginwindows)
install(TARGETS briosms-plugin-windows LIBRARY DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/briosms/plugins
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

foreach(plugin importa-csv:import_csv importa-vcard:import_vcard esporta-rubrica:export_book)
  string(REPLACE ":" ";" parts ${plugin})
  list(GET parts 0 name)
  list(GET parts 1 source)
  add_executable(briosms-${name} plugins-shipped/${source}.cpp)
  target_link_libraries(briosms-${name} PRIVATE briosms_pluginkit)
  add_dependencies(briosms-${name} briosms-plugin-windows briosms-plugin-numbers)
  set_target_properties(briosms-${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${BRIOSMS_SHIPPED_PLUGINS_DIR})
  configure_file(plugins-shipped/${name}.bpe ${BRIOSMS_SHIPPED_PLUGINS_DIR}/${name}.bpe COPYONLY)
  add_dependencies(briosms briosms-${name})
  install(TARGETS briosms-${name} RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/briosms/plugins)
  install(FILES plugins-shipped/${name}.bpe DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/briosms/plugins)
endforeach()
