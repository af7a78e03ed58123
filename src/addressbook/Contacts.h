#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace brio {

class Database;
class Notifier;

// One contact of the address book (tab_destinatari) as the contact editor
// shows it.
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
};

constexpr qint64 kNewContact = -1;

// The stored contact, or nothing when there is no such row. Null fields
// read as empty texts.
std::optional<Contact> loadContact(Database &db, qint64 id);

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
std::optional<qint64> contactWithNumber(Database &db, const QString &number);
QList<qint64> allContactIds(Database &db);
// A number another contact has throws DuplicateKey.
qint64 insertContactRow(Database &db, const Contact &contact);
void updateContactRow(Database &db, qint64 id, const Contact &contact);
// The contact, its memberships and its place in the message being prepared.
void deleteContactRows(Database &db, qint64 id);

} // namespace brio
