target_sources(briosms_core PRIVATE
  groups/Groups.cpp groups/Groups.h
)
