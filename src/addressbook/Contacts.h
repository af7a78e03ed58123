#pragma once

#include "store/Database.h"

#include <QList>
#include <functional>
#include <QString>
#include <optional>

namespace brio {

class Notifier;

constexpr qint64 kNewContact = -1;

// The table of contacts, in the book and in the previous version's file.
constexpr char kContactTable[] = "tab_destinatari";

// One contact of the address book (tab_destinatari), the one shape every
// reader and writer of contacts uses. Fields a file left NULL read as empty
// texts; empty fields are stored as empty texts.
struct Contact
{
    QString name;      // Nominativo
    QString number;    // Numero, "+39" "333" "1234567" joined
    QString address;   // Indirizzo
    QString postCode;  // CAP
    QString city;      // Citta
    QString province;  // Prov
    QString region;    // Regione
    QString email;     // e_mail
    QString birthDate; // DataNascita, yyyymmdd or empty
    QString sex;       // Sesso, "M" or "F"; empty leaves the stored one as it is
    qint64 id = kNewContact; // IDDestinatario
};

// The stored contact, or nothing when there is no such row. Null fields
// read as empty texts.
std::optional<Contact> loadContact(Database &db, qint64 id);

// How many contacts the book holds.
qint64 addressBookCount(Database &db);

// The contact that has the number, if any.
std::optional<qint64> contactWithNumber(Database &db, const QString &number);

// Every contact, or the members of the groups (each once), in the
// program's name order (NAME_ORDER), the windows' order, ties by id.
QList<Contact> contactsByName(Database &db, const QList<qint64> &groups = {});

// Every contact's id, name and number, as stored.
QList<Contact> contactNumbers(Database &db);
// Every contact's number and name, as stored, without a Contact per row: a
// send to the whole book.
void forEachNumberAndName(Database &db, const std::function<void(const QString &number, const QString &name)> &take);
// The contacts of a statement that selects id, name and number, in its order.
QList<Contact> briefContacts(Statement &st);

// Adds contacts one at a time with statements prepared once, for the
// imports that check each number against the book first. Runs inside the
// caller's transaction.
class ContactBatch final
{
public:
    explicit ContactBatch(Database &db);
    bool hasNumber(const QString &number);
    qint64 add(const Contact &contact); // returns the new id

private:
    Database &m_db;
    Statement m_find;
    Statement m_insert;
};

// A stored number split by position: characters 1-3, 4-6 and the rest.
struct NumberParts
{
    QString country;
    QString prefix;
    QString subscriber;
};
NumberParts splitStoredNumber(const QString &number);

struct SaveOutcome
{
    qint64 id = kNewContact; // the saved contact; kNewContact when nothing was stored
    QString holder;          // the contact that already has the number, when refused
};

// Stores the contact (id kNewContact: a new one) and, for a new one, its
// membership of groupId (none for kWholeAddressBook), all in one transaction;
// the windows learn of it through the notifier. A number another contact has
// already is refused: nothing is stored and holder names that contact. A
// contact that no longer exists throws Error.
SaveOutcome saveContact(Database &db, Notifier &notifier, qint64 id, const Contact &contact, qint64 groupId);

// Removes the contact from the address book, every group and the message
// being prepared, in one transaction, then tells the windows.
void deleteContact(Database &db, Notifier &notifier, qint64 id);

// For work that holds one transaction around many contacts (the address
// book's sync): no transaction of their own, no notice to the windows.
QList<qint64> allContactIds(Database &db);
// A number another contact has throws DuplicateKey.
qint64 insertContactRow(Database &db, const Contact &contact);
void updateContactRow(Database &db, qint64 id, const Contact &contact);
// The contact, its memberships and its place in the message being prepared.
void deleteContactRows(Database &db, qint64 id);

} // namespace brio
