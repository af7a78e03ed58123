target_sources(briosms_core PRIVATE
  groups/ChosenGroups.cpp groups/ChosenGroups.h
  groups/Groups.cpp groups/Groups.h
)
