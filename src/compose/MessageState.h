#pragma once

#include "addressbook/Contacts.h"
#include "addressbook/ListEntries.h"
#include "groups/ChosenGroups.h"

#include <optional>

namespace brio {

class Database;

// The message in preparation lives in tab_dest_number (typed numbers),
// tab_dest_msg (chosen contacts), tab_dest_liste (chosen groups) and
// tab_stringa_messaggio (text left by a plug-in). Each change is written here
// first; the windows mirror it.

// Empties the four tables; all or nothing.
void clearMessageState(Database &db);

// What the message reaches through the book (recipientCount,
// recipientRepeats...) is asked of groups/ChosenGroups.h.

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
