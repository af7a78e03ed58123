target_sources(briosms_ui PRIVATE
  ui/history/SentHistoryWindow.cpp ui/history/SentHistoryWindow.h ui/history/SentHistoryWindow.ui
)
