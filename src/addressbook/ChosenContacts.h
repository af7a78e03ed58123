#pragma once

#include "addressbook/Contacts.h"

#include <QList>

namespace brio {

class Database;
class Notifier;

// The contacts chosen for the message, by name: id, name and number.
QList<Contact> chosenContacts(Database &db);

// Makes the contacts chosen for the message (tab_dest_msg) exactly these,
// in this order, in one transaction; contacts deleted meanwhile are left
// out. The windows showing the message learn of it through the notifier.
void replaceChosenContacts(Database &db, Notifier &notifier, const QList<qint64> &ids);

} // namespace brio
