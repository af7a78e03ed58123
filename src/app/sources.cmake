target_sources(briosms_core PRIVATE
  app/AppState.cpp app/AppState.h
  app/Context.cpp app/Context.h
  app/DataFolder.cpp app/DataFolder.h
  app/Error.cpp app/Error.h
  app/Services.cpp app/Services.h
  app/Startup.cpp app/Startup.h
  ${PROJECT_SOURCE_DIR}/data/data.qrc
)
