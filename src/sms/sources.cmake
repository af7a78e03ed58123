target_sources(briosms_core PRIVATE
  sms/GsmText.cpp sms/GsmText.h
)
