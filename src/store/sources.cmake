target_sources(briosms_core PRIVATE
  store/Book.cpp store/Book.h
  store/BookFile.cpp store/BookFile.h
  store/Database.cpp store/Database.h
  store/DiskErrors.h
  store/Schema.cpp store/Schema.h
  store/DatabasePassword.cpp store/DatabasePassword.h
  store/EmptyAddressBook.cpp store/EmptyAddressBook.h
  store/WriterLockWait.cpp store/WriterLockWait.h
)
