#pragma once

#include <QString>

namespace brio {

class Database;

namespace ErrorNo {
constexpr int NewerBook = 3041; // the engine's "other version" refusal: a book a later program wrote
} // namespace ErrorNo

// Creates the tables the program delivers with a new data folder: the seven
// of the address book, message and login, with their named indexes and the
// single login row.
void createDeliveredTables(Database &db);

// The book's shape this program writes, kept in PRAGMA user_version. Files
// written before the number was kept read 0.
constexpr int kSchemaVersion = 7;

// Brings a book of an earlier version to kSchemaVersion, one numbered step
// at a time, each in its own transaction with the new number. Each step
// looks at what the file holds, since every unnumbered file reads 0: the
// additions only, never a column removed or renamed, so that older
// programs and plug-ins still read the file. A book of a later version
// throws Error NewerBook and is left as it is.
void UpgradeSchema(Database &db);

// Throws Error NewerBook for a book of a later version; returns the book's
// version otherwise. For the programs that use a book without upgrading it
// (the shipped plug-ins).
int requireKnownSchema(Database &db);

// Makes the index "Numero" of tab_destinatari unique, unless the file
// already holds two contacts with one number: it then keeps working as it
// is. Returns whether the index is unique.
bool addUniqueNumberIndex(Database &db);

// Fills tab_allowed_codes with the prefix list shipped with the program.
void fillDefaultAllowedCodes(Database &db);

} // namespace brio
