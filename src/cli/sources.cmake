target_sources(briosms_core PRIVATE
  cli/CommandLine.cpp cli/CommandLine.h
  cli/TerminalText.cpp cli/TerminalText.h
)
