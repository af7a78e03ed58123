target_sources(briosms_core PRIVATE
  settings/Settings.cpp settings/Settings.h
)
