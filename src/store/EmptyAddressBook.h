#pragma once

namespace brio {

class Database;

// Deletes every contact, group and membership in one transaction, so that a
// failure deletes nothing. Throws Error.
void deleteAddressBook(Database &db);

} // namespace brio
