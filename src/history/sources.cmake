target_sources(briosms_core PRIVATE
  history/SentHistory.cpp history/SentHistory.h
  history/DeliveryReports.cpp history/DeliveryReports.h
  history/ReportReceiver.cpp history/ReportReceiver.h
)
