target_sources(briosms_core PRIVATE
  settings/Brand.cpp settings/Brand.h
  settings/Settings.cpp settings/Settings.h
)
