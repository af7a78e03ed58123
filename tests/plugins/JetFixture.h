#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace brio::test {

// A value of a text column; nullopt is NULL.
using JetText = std::optional<QString>;

struct JetTable
{
    QString name;
    QStringList columns; // all text
    QList<QList<JetText>> rows;
};

// Writes a Jet 4 (Access 2000) database holding one user table of text
// columns: just enough of the format for a reader to find the catalog, the
// table and its rows. Throws std::runtime_error.
void writeJet4(const QString &path, const JetTable &table);

// An address book of the previous version: tab_destinatari with the fields
// the import reads, one row per name and number; the other fields hold
// sample values.
void writeOldBook(const QString &path, const QList<std::pair<QString, JetText>> &contacts);

} // namespace brio::test
