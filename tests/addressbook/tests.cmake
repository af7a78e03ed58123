# brio_add_test(...) lines for tests/addressbook
brio_add_test(tst_contacts addressbook/tst_contacts.cpp)
