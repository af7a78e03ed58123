target_sources(briosms_ui PRIVATE
  ui/addressbook/ContactEditor.cpp ui/addressbook/ContactEditor.h ui/addressbook/ContactEditor.ui
  ui/addressbook/ContactListModel.cpp ui/addressbook/ContactListModel.h
  ui/addressbook/BookSync.cpp ui/addressbook/BookSync.h
  ui/addressbook/AddressBookModel.cpp ui/addressbook/AddressBookModel.h
  ui/addressbook/ContactSearchWindow.cpp ui/addressbook/ContactSearchWindow.h ui/addressbook/ContactSearchWindow.ui
  ui/addressbook/RecipientPicker.cpp ui/addressbook/RecipientPicker.h ui/addressbook/RecipientPicker.ui
)
