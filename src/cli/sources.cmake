target_sources(briosms_core PRIVATE
  cli/CommandLine.cpp cli/CommandLine.h
  cli/TerminalText.cpp cli/TerminalText.h
)
# Numbers typed on the command line are read as people write them.
target_link_libraries(briosms_core PRIVATE phonenumber)
