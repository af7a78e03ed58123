target_sources(briosms_core PRIVATE
  help/HelpBook.cpp help/HelpBook.h
  help/AboutText.cpp help/AboutText.h
)
# The help pages, served from qrc:/help/ (Italian) and qrc:/help/en/ (English).
file(GLOB BRIOSMS_HELP_PAGES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/help/pages/*.html
  ${CMAKE_CURRENT_SOURCE_DIR}/help/pages/en/*.html)
qt_add_resources(briosms_core "help"
  PREFIX "/help"
  BASE "${CMAKE_CURRENT_SOURCE_DIR}/help/pages"
  FILES ${BRIOSMS_HELP_PAGES})
