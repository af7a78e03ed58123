target_sources(briosms_core PRIVATE
  app/BookDialogues.cpp app/BookDialogues.h
  app/DataFolder.cpp app/DataFolder.h
  app/SingleInstance.cpp app/SingleInstance.h
  app/GatewayChoice.cpp app/GatewayChoice.h
  app/ReportListening.cpp app/ReportListening.h
  app/Startup.cpp app/Startup.h
  app/UiLanguage.cpp app/UiLanguage.h
  ${PROJECT_SOURCE_DIR}/data/data.qrc
)
