target_sources(briosms_core PRIVATE
  core/Error.cpp core/Error.h
  core/Process.cpp core/Process.h
  core/ProgramFolder.cpp core/ProgramFolder.h
  core/Services.cpp core/Services.h
)
