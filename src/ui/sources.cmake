target_sources(briosms_ui PRIVATE
  ui/QtServices.cpp ui/QtServices.h
  ui/AppIcon.cpp ui/AppIcon.h ui/icons.qrc
  ui/OneWindow.cpp ui/OneWindow.h
  ui/AppWindows.cpp ui/AppWindows.h
  ui/main/MainWindow.cpp ui/main/MainWindow.h ui/main/MainWindow.ui
  ui/main/ComposePanel.cpp ui/main/ComposePanel.h ui/main/ComposePanel.ui
  ui/main/MessageTextEdit.cpp ui/main/MessageTextEdit.h
  ui/main/MainSendView.cpp ui/main/MainSendView.h
  ui/ListRoutines.cpp ui/ListRoutines.h
  ui/EntryListView.cpp ui/EntryListView.h
  ui/main/RecipientListModel.cpp ui/main/RecipientListModel.h
  ui/WhileShown.cpp ui/WhileShown.h
  ui/options/PasswordWindow.cpp ui/options/PasswordWindow.h ui/options/PasswordWindow.ui
  ui/options/OptionsWindow.cpp ui/options/OptionsWindow.h ui/options/OptionsWindow.ui
  ui/options/ChangePasswordWindow.cpp ui/options/ChangePasswordWindow.h ui/options/ChangePasswordWindow.ui
  ui/login/LoginWindow.cpp ui/login/LoginWindow.h ui/login/LoginWindow.ui
  ui/help/HelpWindow.cpp ui/help/HelpWindow.h ui/help/HelpWindow.ui
  ui/help/HelpLink.cpp ui/help/HelpLink.h
  ui/misc/AboutWindow.cpp ui/misc/AboutWindow.h ui/misc/AboutWindow.ui
  ui/ScreenReader.cpp ui/ScreenReader.h
  ui/plugins/ImportWindow.cpp ui/plugins/ImportWindow.h ui/plugins/ImportWindow.ui
  ui/plugins/PluginRun.cpp ui/plugins/PluginRun.h
  ui/plugins/PluginsWindow.cpp ui/plugins/PluginsWindow.h ui/plugins/PluginsWindow.ui
)
