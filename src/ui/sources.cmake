target_sources(briosms_ui PRIVATE
  ui/QtServices.cpp ui/QtServices.h
  ui/AppWindows.cpp ui/AppWindows.h
  ui/main/MainWindow.cpp ui/main/MainWindow.h
  ui/main/MessageTextEdit.cpp ui/main/MessageTextEdit.h
  ui/main/MainSendView.cpp ui/main/MainSendView.h
  ui/ListRoutines.cpp ui/ListRoutines.h
)
