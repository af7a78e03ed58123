#pragma once

#include "ImportRow.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QStringList>
#include <array>
#include <memory>

namespace brio::kit {

// What a column of a CSV file holds, known from its header.
enum class Column { Name, FirstName, LastName, Mobile, Phone, Address, Cap, City, Province, Region, Email,
                    BirthDate, Sex, Count };

// How a CSV file as exported by address books and spreadsheets is written:
// UTF-8 with or without BOM or Windows-1252, ';' or ',' between fields,
// quoted fields, a header row when one is recognised.
struct CsvLayout
{
    QStringList header;      // empty when the file has none
    char separator = ';';
    QString encoding;        // "UTF-8" or "Windows-1252"
    bool strayBytes = false; // UTF-8 with bytes that are not: their rows are left out
    std::array<int, int(Column::Count)> columns{}; // index of each column, -1 when absent
    // Numbered phones as web-mail exports write them: the columns of
    // "Phone N - Type" (-1 when absent) and "Phone N - Value", in N's order.
    QList<std::pair<int, int>> phones;
};

// The two encodings a CSV file is read in.
QStringList csvEncodings();

// The contacts of a CSV file, in the file's order, numbered as the file's
// rows (header = 1). The file is read a block at a time, as they are asked
// for: a large one is never held whole, and the writing starts at once.
// Past the limits of ImportRow.h it stops with an Error naming the row.
class CsvStream final
{
public:
    // Reads the file once to choose its encoding (unless one of
    // csvEncodings() is given) and count its lines, then as far as the first
    // row, to tell a header. The file must be open and seekable. Throws Error.
    explicit CsvStream(QIODevice &file, const QString &encoding = QString());
    ~CsvStream();
    CsvStream(const CsvStream &) = delete;
    CsvStream &operator=(const CsvStream &) = delete;

    const CsvLayout &layout() const;
    // At most this many contacts: the file's lines, the header left out.
    qsizetype mostContacts() const;
    // False after the last one. The contact's texts may be views of the
    // stream's buffer, good until the next call. Throws Error when the file
    // turns out not to be valid CSV.
    bool next(ImportRow &contact);

private:
    struct Reading;
    std::unique_ptr<Reading> m_reading;
};

// What the user sees before an import: the layout, the first contacts and
// how many there are. Throws Error when the file is not valid CSV.
struct CsvPreview
{
    CsvLayout layout;
    QList<ImportRow> first;
    qsizetype contacts = 0;
};
CsvPreview previewCsv(QIODevice &file, int rows, const QString &encoding = QString());
constexpr int kCsvPreviewRows = 10; // what the preview before an import shows

// The column each header name means, -1 where none: Italian and English names,
// without regard to case, accents, blanks and punctuation.
std::array<int, int(Column::Count)> mapColumns(const QStringList &header);
// The numbered phone columns of a header, as CsvLayout::phones.
QList<std::pair<int, int>> mapPhoneColumns(const QStringList &header);

// A file's bytes as text: a UTF-8 BOM is dropped, text that is not UTF-8 is
// read as Windows-1252. encoding receives which one it was.
QString decodeText(const QByteArray &bytes, QString *encoding = nullptr);
// The same as UTF-8 bytes: valid UTF-8 comes back as it is.
QByteArray utf8Text(const QByteArray &bytes, QString *encoding = nullptr);
// UTF-8 without the blanks QString::trimmed() removes. Mostly a view of
// bytes, with no copy: they must outlive it.
QByteArray trimmedUtf8(QByteArrayView bytes);

} // namespace brio::kit
