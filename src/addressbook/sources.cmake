target_sources(briosms_core PRIVATE
  addressbook/BirthDate.cpp addressbook/BirthDate.h
  addressbook/ListEntries.cpp addressbook/ListEntries.h
  addressbook/Contacts.cpp addressbook/Contacts.h
  addressbook/ChosenContacts.cpp addressbook/ChosenContacts.h
  addressbook/ContactBulk.cpp addressbook/ContactBulk.h
  addressbook/ContactSearch.cpp addressbook/ContactSearch.h
  addressbook/ContactsCsv.cpp addressbook/ContactsCsv.h
)
# The CSV export, one writer for the command line and the plug-in.
target_link_libraries(briosms_core PRIVATE csv)
