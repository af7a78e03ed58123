#pragma once

#include <QList>
#include <QString>

namespace brio {
class Database;
}

namespace brio::kit {

enum class ExportFormat { Csv, VCard };

struct GroupChoice
{
    qint64 id = -1; // -1: the whole book
    QString name;
};

// "Tutta la rubrica" first, then the groups by name.
QList<GroupChoice> exportChoices(Database &db);

// Writes the contacts of the group (or of the whole book for -1), ordered by
// name, to path: CSV (the book's one dialect, addressbook/ContactsCsv.h) or
// vCard 3.0. Returns how many. Throws Error.
int exportBook(Database &db, qint64 groupId, ExportFormat format, const QString &path);

} // namespace brio::kit
