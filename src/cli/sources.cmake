target_sources(briosms_core PRIVATE
  cli/CommandLine.cpp cli/CommandLine.h
)
