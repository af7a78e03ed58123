#pragma once

#include <QList>
#include <QString>

namespace brio {

class Database;

// One entry of a contact list or group combo: what the user sees and the
// number the program matches it by. In contact lists the data is the
// contact's IDDestinatario, or minus the row ID of a typed number; in group
// combos it is ID_Lista, with -1 for the whole address book.
struct ListEntry
{
    QString text;
    qint64 data = 0;

    bool operator==(const ListEntry &) const = default;
};

} // namespace brio

// Moved as bytes: a contact inserted into a list of 100,000 entries shifts
// those after it with one memmove rather than one by one.
Q_DECLARE_TYPEINFO(brio::ListEntry, Q_RELOCATABLE_TYPE);

namespace brio {

using ListEntries = QList<ListEntry>;

constexpr qint64 kWholeAddressBook = -1;

// "Nominativo,Numero": a comma and no blank.
QString contactEntryText(const QString &name, const QString &number);

// The contacts of one group, or of the whole book for kWholeAddressBook,
// sorted by name.
ListEntries memberEntries(Database &db, qint64 groupId);

// The numbers typed for the message in table order, data = minus row ID.
ListEntries typedNumberEntries(Database &db);

// The contacts chosen for the message sorted by name, then (withNumbers) the
// typed numbers.
ListEntries messageRecipientEntries(Database &db, bool withNumbers);

} // namespace brio
