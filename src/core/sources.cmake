target_sources(briosms_core PRIVATE
  core/Error.cpp core/Error.h
  core/Services.cpp core/Services.h
)
