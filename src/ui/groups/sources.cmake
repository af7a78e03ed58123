target_sources(briosms_ui PRIVATE
  ui/groups/GroupManagementWindow.cpp ui/groups/GroupManagementWindow.h ui/groups/GroupManagementWindow.ui
  ui/groups/NewGroupWindow.cpp ui/groups/NewGroupWindow.h ui/groups/NewGroupWindow.ui
  ui/groups/GroupListModel.cpp ui/groups/GroupListModel.h
  ui/groups/GroupMembersWindow.cpp ui/groups/GroupMembersWindow.h ui/groups/GroupMembersWindow.ui
)
