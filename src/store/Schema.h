#pragma once

#include <QString>

namespace brio {

class Database;

// Creates the tables the program delivers with a new data folder: the seven
// of the address book, message and login, with their named indexes and the
// single login row.
void createDeliveredTables(Database &db);

// Adds the tables that files of older versions lack.
void UpgradeSchema(Database &db);

// The address book's sync state with a CardDAV server (run by UpgradeSchema
// as its last step).
void addSyncTables(Database &db);

// Runs the statements when no table is called exactly `table`; empty index
// statements are skipped.
void CreateTableIfMissing(Database &db, const QString &table, const QString &create,
                          const QString &firstIndex, const QString &secondIndex);

// Makes the index "Numero" of tab_destinatari unique, unless the file
// already holds two contacts with one number: it then keeps working as it
// is. Returns whether the index is unique.
bool addUniqueNumberIndex(Database &db);

// Fills tab_allowed_codes with the prefix list shipped with the program.
void fillDefaultAllowedCodes(Database &db);

} // namespace brio
