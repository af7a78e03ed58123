#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace brio {

class Database;

// The address book's one CSV dialect, written by "briosms contacts export"
// and the "Esporta rubrica" plug-in and read back by "Importa da CSV": UTF-8
// with a byte-order mark (spreadsheets take the file as UTF-8 only with it),
// ';' between fields, quoted where needed, CR LF line ends, a header row of
// Italian column names, birth dates as dd/MM/yyyy.
struct ContactsCsv
{
    QByteArray bytes;
    int contacts = 0;
};

// The contacts of the groups (each once), or of the whole book when none, by
// name. Throws Error.
ContactsCsv writeContactsCsv(Database &db, const QList<qint64> &groups);

} // namespace brio
