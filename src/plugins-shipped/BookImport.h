#pragma once

#include "ImportRow.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace brio {
class Database;
}

namespace brio::kit {

struct ImportSummary
{
    int imported = 0;
    int duplicates = 0; // number already in the book, or earlier in the file
    int badNumbers = 0;
    int badText = 0;     // rows left out for bytes that are not text
    int leftOut() const { return badNumbers + badText; }
    QString badRowsFile; // where the rows left out were listed; empty when none or not saved
};

// Writes the contacts whose number reads as a mobile number the gateway
// accepts, in the stored form, skipping numbers the book already has; all of
// it in one transaction. The rows left out for their number are saved beside
// the source file ("<name>-scartati.txt"). Throws Error; then nothing is written.
ImportSummary importContacts(Database &db, const QList<ImportRow> &rows, const QString &sourcePath);

// The same for contacts handed one at a time by next (false after the last),
// about count of them (at most kMostContacts are read). next is called from a thread of its own, which
// checks and prepares them while this one writes.
using NextContact = std::function<bool(ImportRow &contact)>;
ImportSummary importContacts(Database &db, qsizetype count, const NextContact &next, const QString &sourcePath);

// The summary the import plug-ins show at the end.
QString summaryText(const ImportSummary &summary);

} // namespace brio::kit
