target_sources(briosms_core PRIVATE
  carddav/CardDavClient.cpp carddav/CardDavClient.h
  carddav/CardDavSync.cpp carddav/CardDavSync.h
  carddav/VCard.cpp carddav/VCard.h
)
# The cards are read with the library of the vCard import.
target_link_libraries(briosms_core PRIVATE vformat)
