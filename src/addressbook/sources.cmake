target_sources(briosms_core PRIVATE
  addressbook/BirthDate.cpp addressbook/BirthDate.h
  addressbook/Contacts.cpp addressbook/Contacts.h
  addressbook/ChosenContacts.cpp addressbook/ChosenContacts.h
  addressbook/ContactSearch.cpp addressbook/ContactSearch.h
)
