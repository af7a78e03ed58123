target_sources(briosms_core PRIVATE
  store/Database.cpp store/Database.h
  store/Schema.cpp store/Schema.h
  store/DatabasePassword.cpp store/DatabasePassword.h
  store/EmptyAddressBook.cpp store/EmptyAddressBook.h
)
