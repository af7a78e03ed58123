#pragma once

#include "addressbook/Contacts.h"
#include "groups/Groups.h"

#include <QList>

namespace brio {

class Database;

// The groups chosen for the message being prepared (tab_dest_liste) and
// whom the message reaches through the book.

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

// The chosen groups by name, one for each chosen row: id = the
// tab_dest_liste row ID, with the members they have now.
QList<Group> chosenGroups(Database &db);

// The members of the chosen groups (id, name and number), each once, as
// stored.
QList<Contact> chosenGroupMembers(Database &db);

} // namespace brio
