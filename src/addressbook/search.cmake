target_sources(briosms_core PRIVATE
  addressbook/ContactSearch.cpp addressbook/ContactSearch.h
)
