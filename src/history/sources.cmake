target_sources(briosms_core PRIVATE
  history/SentHistory.cpp history/SentHistory.h
)
