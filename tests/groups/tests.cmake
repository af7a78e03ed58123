# brio_add_test(...) lines for tests/groups
brio_add_test(tst_groups groups/tst_groups.cpp)
brio_add_test(tst_contactsearch groups/tst_contactsearch.cpp)
