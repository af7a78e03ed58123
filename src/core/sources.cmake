target_sources(briosms_core PRIVATE
  core/Error.cpp core/Error.h
  core/Language.cpp core/Language.h
  core/LineInput.cpp core/LineInput.h
  core/Log.cpp core/Log.h
  core/FaultPoint.cpp core/FaultPoint.h
  core/Process.cpp core/Process.h
  core/ProgramFolder.cpp core/ProgramFolder.h
  core/Services.cpp core/Services.h
)
