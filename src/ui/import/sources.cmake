target_sources(briosms_ui PRIVATE
  ui/import/ImportBrio1Window.cpp ui/import/ImportBrio1Window.h ui/import/ImportBrio1Window.ui
)
