target_sources(briosms_ui PRIVATE
  ui/QtServices.cpp ui/QtServices.h
  ui/AppWindows.cpp ui/AppWindows.h
  ui/main/MainWindow.cpp ui/main/MainWindow.h
  ui/main/MessageTextEdit.cpp ui/main/MessageTextEdit.h
  ui/main/MainSendView.cpp ui/main/MainSendView.h
  ui/ListRoutines.cpp ui/ListRoutines.h
  ui/options/PasswordWindow.cpp ui/options/PasswordWindow.h
  ui/options/OptionsWindow.cpp ui/options/OptionsWindow.h
  ui/options/ChangePasswordWindow.cpp ui/options/ChangePasswordWindow.h
  ui/login/LoginWindow.cpp ui/login/LoginWindow.h
)
