#pragma once

#include "ImportRow.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <array>
#include <memory>

namespace brio::kit {

// What a column of a CSV file holds, known from its header.
enum class Column { Name, FirstName, LastName, Mobile, Phone, Address, Cap, City, Province, Region, Email,
                    BirthDate, Sex, Count };

// The rows of a CSV file as exported by address books and spreadsheets:
// UTF-8 with or without BOM or Windows-1252, ';' or ',' between fields,
// quoted fields, a header row when one is recognised.
struct CsvTable
{
    QStringList header;      // empty when the file has none
    char separator = ';';
    QString encoding;        // "UTF-8" or "Windows-1252"
    std::array<int, int(Column::Count)> columns{}; // index of each column, -1 when absent

    // The fields of every row as read, in UTF-8 one after the other: a
    // QString for each of a large file's fields costs more than the rest of
    // the reading.
    QByteArray cells;
    QList<qsizetype> cellEnds; // where each field ends in cells
    QList<qsizetype> rowEnds;  // past each row's last field in cellEnds, header included
    qsizetype firstRow = 0;    // 1 when the first row is the header

    int column(Column c) const;
    qsizetype rowCount() const; // the header excluded
    // A field of a row in UTF-8 without its surrounding blanks; empty when
    // missing. Most often a view of cells: the table must outlive it.
    QByteArray field(qsizetype row, int index) const;
    // Whether every field of a row is blank.
    bool isBlankRow(qsizetype row) const;
    // How many rows hold a contact: the blank ones are left out.
    qsizetype contactCount() const;
};

// The contacts of a table one at a time, in the file's order, numbered as
// the file's rows (header = 1).
class CsvContacts final
{
public:
    explicit CsvContacts(const CsvTable &table);
    // False after the last one.
    bool next(ImportRow &contact);

private:
    const CsvTable &m_table;
    const QString m_where; // "Riga %1", translated once
    qsizetype m_row = 0;
};

class CsvParser;

// The contacts of a CSV file read a block at a time, as the import asks for
// them: a large file is never held whole as a table, and the writing starts
// at once. The same contacts, numbered the same, as CsvContacts gives.
class CsvStream final
{
public:
    // Reads as far as the first row, to tell a header. Throws Error.
    explicit CsvStream(const QByteArray &bytes);
    ~CsvStream();
    CsvStream(const CsvStream &) = delete;
    CsvStream &operator=(const CsvStream &) = delete;

    // At most this many contacts: the file's lines, the header left out.
    qsizetype mostContacts() const;
    // False after the last one. Throws Error when the file turns out not to
    // be valid CSV.
    bool next(ImportRow &contact);

private:
    // Reads on until a row is there to hand out; false at the file's end.
    bool readRows();

    CsvTable m_window; // rows read and not yet handed out, and a row begun
    const QByteArray m_utf8;
    std::unique_ptr<CsvParser> m_parser;
    const QString m_where;
    qsizetype m_read = 0;       // bytes given to the parser
    qsizetype m_rowsBefore = 0; // the file's rows before the window's first
    qsizetype m_row = 0;        // the window's next row
    bool m_ended = false;
};

// Throws Error when the file is not valid CSV.
CsvTable readCsv(const QByteArray &bytes);

// The column each header name means, -1 where none: Italian and English names,
// without regard to case, accents, blanks and punctuation.
std::array<int, int(Column::Count)> mapColumns(const QStringList &header);

// A file's bytes as text: a UTF-8 BOM is dropped, text that is not UTF-8 is
// read as Windows-1252. encoding receives which one it was.
QString decodeText(const QByteArray &bytes, QString *encoding = nullptr);
// The same as UTF-8 bytes: valid UTF-8 comes back as it is.
QByteArray utf8Text(const QByteArray &bytes, QString *encoding = nullptr);

} // namespace brio::kit
