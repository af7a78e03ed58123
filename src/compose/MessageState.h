#pragma once

#include "compose/ListEntries.h"

#include <optional>

namespace brio {

class Database;

// The message in preparation lives in tab_dest_number (typed numbers),
// tab_dest_msg (chosen contacts), tab_dest_liste (chosen groups) and
// tab_stringa_messaggio (text left by a plug-in). Each change is written here
// first; the windows mirror it.

// Empties the four tables; all or nothing.
void clearMessageState(Database &db);

// SMS the message will make: the distinct numbers among the typed numbers,
// the chosen contacts and the members of the chosen groups, as the send
// takes them.
qint64 recipientCount(Database &db);

// Why a number is reached more than once, for the notice before a send.
struct RecipientRepeats
{
    bool typed = false;  // a typed number is also a chosen contact's or member's
    bool listed = false; // contacts and group members reach a number twice
};
RecipientRepeats recipientRepeats(Database &db);
// The member rows of the chosen groups alone.
qint64 chosenGroupMemberRows(Database &db);
qint64 addressBookCount(Database &db);

QString recipientCountText(qint64 count); // status bar panel 1
QString wholeAddressBookText(qint64 count); // "Totale Rubrica: ..."

// Everything the main window shows of the message, as the tables hold it.
struct MessageStateContent
{
    ListEntries numbers;  // typed numbers in table order, data = minus row ID
    ListEntries contacts; // chosen contacts by name, text = name alone
    ListEntries groups;   // chosen groups by name, data = tab_dest_liste row ID
    std::optional<QString> text; // the plug-in's text, when there is one
};
MessageStateContent readMessageState(Database &db);

// Adds a typed number; returns the new row's ID. A number already there
// throws Error 3022 and adds nothing.
qint64 addTypedNumber(Database &db, const QString &fullNumber);

// Removes the recipient a list entry stands for: a typed number for negative
// data, a chosen contact otherwise.
void removeRecipient(Database &db, qint64 entryData);

qint64 groupMemberCount(Database &db, qint64 groupId);

// Chooses a group; returns the new tab_dest_liste row ID, or nothing when the
// group was already chosen.
std::optional<qint64> addGroupEntry(Database &db, qint64 groupId);
void removeGroupEntry(Database &db, qint64 rowId);

// "Amici (3 destinatari)"
QString groupEntryText(const QString &name, qint64 members);

// The chosen groups by name in that form, with their members now; data =
// tab_dest_liste row ID.
ListEntries chosenGroupEntries(Database &db);

} // namespace brio
