#pragma once

#include "addressbook/Contacts.h"

#include <QIODevice>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace brio {

struct Context;
class Database;

// The contacts of a Jet 3 or Jet 4 file, in stored order, with the
// fields the old book has: a number it left NULL reads as a null text. A
// file that is
// missing, is no Jet database, lacks the table or is damaged throws Error
// 3044. Read by the program's reader helper, in a process of its own.
QList<Contact> readOldAddressBook(const QString &path);

// The same, read in this process: mdbtools' library trusts the file and may
// crash on a damaged one, so only the reader helper calls it. It hands the
// contacts over as writeOldContacts writes them.
QList<Contact> readJetAddressBook(const QString &path);
bool writeOldContacts(QIODevice &out, const QList<Contact> &contacts);

// The stored number in international form ("+39", prefix, subscriber
// number), or empty text when it is not a valid mobile number. allowedPrefixes, when given, is tab_allowed_codes' prefixes
// read beforehand, so that a long import does not ask the table every time.
// Throws Error.
QString NormaliseOldNumber(const Context &ctx, const QString &stored,
                           const QSet<QString> *allowedPrefixes = nullptr);

struct OldImportCounts
{
    qint32 imported = 0;
    qint32 duplicates = 0;
    qint32 badNumbers = 0;
    qint32 cutValues = 0; // values longer than the book's field, stored cut
};

// Copies every contact of the old address book at path into the book,
// skipping numbers already there, and lists bad numbers in the error file.
// Values longer than the book's fields are cut to them and listed there too.
// The file is read while the event loop runs (windows repaint; user input
// waits).
// Returns false, writing nothing, when the source has no contacts. Rows are
// written in batches, each one transaction; after each, progress gets the
// position in percent. Throws Error: batches written before stay, and counts
// holds exactly them.
bool importOldAddressBook(const Context &ctx, const QString &path, OldImportCounts &counts,
                          const std::function<void(int percent)> &progress);

// brioERR.txt in the data folder.
QString oldImportErrorFile(const Context &ctx);
QString oldImportSummary(const OldImportCounts &counts, const QString &errorFile);

// The command line that asks for the import command: "/IMPORTBRIO1" or
// "--import-old", alone.
bool oldImportRequested(const QStringList &arguments);

} // namespace brio
