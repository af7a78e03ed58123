#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace brio {

class CardDavClient;
class Database;
class Settings;

// The account of section "CardDAV": URL (the server or the address book,
// with the user and, until it moves into the keyring, the password), User
// (when the URL names none), AddressBook (a name or address among the
// user's books; empty: the only one), Timeout in seconds.
struct CardDavAccount
{
    QUrl url; // without user and password
    QString user;
    QString password;
    QString addressBook;
    int timeoutMs = 60000;

    // Throws CardDavSetup when no URL is set. The password comes from the
    // keyring or the settings file, as the gateway's.
    static CardDavAccount fromSettings(Settings &settings);
};

// What a sync did, for the summary.
struct SyncSummary
{
    int addedHere = 0;
    int changedHere = 0;
    int deletedHere = 0;
    int addedThere = 0;
    int changedThere = 0;
    int deletedThere = 0;
    int linked = 0;     // contacts already in the book found on the server by number
    int serverOnly = 0; // cards without a usable mobile number, left on the server
    QStringList conflicts; // one line each: the server's version kept, the local one saved as a copy
    QStringList notes;     // cards skipped, changes left to the next sync

    // Italian lines, for the command line and the window.
    QString text() const;
};

// Two-way sync of the book with one address book of a CardDAV server.
// Contacts are reached through the address book's and the groups' routines;
// the state (each card's href, ETag, link and last synced copy, the sync
// token) lives in the tab_carddav tables. Every batch of changes is applied
// in one transaction, so a failure (which throws Error) leaves the book
// consistent and the next sync takes up from there.
class CardDavSync final
{
public:
    // Called between steps with what is done and what there is; false stops the sync.
    using Progress = std::function<bool(int done, int total)>;

    CardDavSync(Database &db, CardDavClient &client, const QUrl &book);

    void setProgress(Progress progress);
    SyncSummary run();

private:
    struct Known;
    void step(int done, int total);

    Database &m_db;
    CardDavClient &m_client;
    QUrl m_book;
    Progress m_progress;
};

// The address book of the account: the one named in AddressBook, the only
// one the user has, or (several and none named) an Error listing them.
QUrl chooseAddressBook(CardDavClient &client, const CardDavAccount &account);

// "+393331234567" from a number as a card writes it, when it is a mobile
// number the gateway takes; empty otherwise.
QString storedMobile(const QString &written, const QSet<QString> &allowedPrefixes);

} // namespace brio
