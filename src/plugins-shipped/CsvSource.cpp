#include "CsvSource.h"

#include "core/Error.h"
#include "core/Texts.h"

#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <csv.h>
#include <cstring>
#include <optional>

namespace brio::kit {

// What stopped the reading of a row: past a limit of ImportRow.h.
enum class RowFault { None, OpenQuote, LongField, LongRow };

// The fields of the rows read and not yet handed out, in UTF-8 one after
// the other: a QString for each of a large file's fields costs more than
// the rest of the reading.
struct CsvRows
{
    QByteArray cells;
    QList<qsizetype> cellEnds; // where each field ends in cells
    QList<qsizetype> rowEnds;  // past each row's last field in cellEnds
    RowFault fault = RowFault::None;
    qsizetype faultRow = 0; // in rowEnds, when there is a fault
};

namespace {

// Header names folded to lower-case letters and digits only.
QString foldName(const QString &name)
{
    QString out;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        if (c.isLetterOrNumber() && c.category() != QChar::Mark_NonSpacing)
            out += c.toLower();
    }
    return out;
}

const QHash<QString, Column> &knownHeaders()
{
    static const QHash<QString, Column> names = [] {
        const QList<std::pair<Column, QStringList>> table{
            {Column::Name, {"nominativo", "nome completo", "nome e cognome", "name", "full name",
                            "display name", "contatto", "contact"}},
            {Column::FirstName, {"nome", "first name", "given name", "firstname"}},
            {Column::LastName, {"cognome", "last name", "family name", "surname", "lastname"}},
            {Column::Mobile, {"cellulare", "cell", "telefono cellulare", "numero cellulare", "mobile",
                              "mobile phone", "cell phone", "cellphone", "mobile number", "numero"}},
            {Column::Phone, {"telefono", "tel", "phone", "phone number", "numero di telefono",
                             "primary phone", "home phone", "business phone", "telefono casa"}},
            // "Address 1 - Street" and the like: the first address of a
            // web-mail export, whose region is the province.
            {Column::Address, {"indirizzo", "via", "address", "street", "home street", "street address",
                               "address 1 street"}},
            {Column::Cap, {"cap", "codice postale", "postal code", "zip", "zip code", "postcode",
                           "home postal code", "address 1 postal code"}},
            {Column::City, {"citta", "comune", "localita", "city", "town", "home city", "address 1 city"}},
            {Column::Province, {"provincia", "prov", "province", "county", "home state", "state",
                                "address 1 region"}},
            {Column::Region, {"regione", "region"}},
            {Column::Email, {"email", "e mail", "posta elettronica", "indirizzo email", "email address",
                             "e mail address", "mail", "e mail 1 value"}},
            {Column::BirthDate, {"data di nascita", "data nascita", "nascita", "compleanno",
                                 "birthday", "birth date", "date of birth", "birthdate"}},
            {Column::Sex, {"sesso", "genere", "sex", "gender"}},
        };
        QHash<QString, Column> h;
        for (const auto &[column, list] : table) {
            for (const QString &n : list)
                h.insert(foldName(n), column);
        }
        return h;
    }();
    return names;
}

void noteFault(CsvRows &t, RowFault fault)
{
    if (t.fault == RowFault::None) {
        t.fault = fault;
        t.faultRow = t.rowEnds.size();
    }
}

// Line breaks inside a field: only a quoted one has them, and a few at most
// (an address); many mean a quote that was never closed where it should.
qsizetype lineBreaks(QByteArrayView field)
{
    // One pass: fields are short, and two searches cost more than a count.
    qsizetype lf = 0;
    qsizetype cr = 0;
    for (const char c : field) {
        lf += c == '\n';
        cr += c == '\r';
    }
    return std::max(lf, cr);
}

// The size of the row being read: its fields' bytes, and one for each
// separator, which costs as much again in the table.
qsizetype openRowSize(const CsvRows &t)
{
    const qsizetype cells = t.rowEnds.isEmpty() ? 0 : t.rowEnds.last();
    const qsizetype bytes = cells == 0 ? 0 : t.cellEnds.at(cells - 1);
    return t.cells.size() - bytes + t.cellEnds.size() - cells;
}

void onField(void *data, size_t size, void *table)
{
    auto *t = static_cast<CsvRows *>(table);
    const QByteArrayView field(static_cast<const char *>(data), qsizetype(size));
    if (field.size() > kMostCsvFieldBytes)
        noteFault(*t, RowFault::LongField);
    else if (lineBreaks(field) > kMostQuotedFieldLines)
        noteFault(*t, RowFault::OpenQuote);
    t->cells.append(field);
    t->cellEnds.append(t->cells.size());
}

void onRow(int, void *table)
{
    auto *t = static_cast<CsvRows *>(table);
    if (openRowSize(*t) > kMostCsvRowBytes)
        noteFault(*t, RowFault::LongRow);
    t->rowEnds.append(t->cellEnds.size());
}

bool isAscii(char ch)
{
    return static_cast<unsigned char>(ch) < 0x80;
}

// The ASCII blanks QString::trimmed removes.
bool isAsciiBlank(char ch)
{
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

QByteArrayView withoutAsciiBlanks(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && isAsciiBlank(bytes.front()))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && isAsciiBlank(bytes.back()))
        bytes.chop(1);
    return bytes;
}

// A field as text without its surrounding blanks, the same as
// QString::trimmed: the other blanks Unicode has are looked for only where
// the field begins or ends in a character beyond ASCII.
QString trimmedText(QByteArrayView bytes)
{
    const QByteArrayView inner = withoutAsciiBlanks(bytes);
    if (inner.isEmpty())
        return QString();
    QString text = QString::fromUtf8(inner);
    if (isAscii(inner.front()) && isAscii(inner.back()))
        return text;
    return text.trimmed();
}

} // namespace

QByteArray trimmedUtf8(QByteArrayView bytes)
{
    const QByteArrayView inner = withoutAsciiBlanks(bytes);
    if (inner.isEmpty())
        return QByteArray();
    if (isAscii(inner.front()) && isAscii(inner.back()))
        return QByteArray::fromRawData(inner.data(), inner.size());
    return QString::fromUtf8(inner).trimmed().toUtf8();
}

namespace {

bool isBlank(QByteArrayView bytes)
{
    const QByteArrayView inner = withoutAsciiBlanks(bytes);
    if (inner.isEmpty())
        return true;
    if (isAscii(inner.front()) && isAscii(inner.back()))
        return false;
    return trimmedText(inner).isEmpty();
}

// The bytes of a row's field as read; empty when the row has fewer fields.
// Rows count from the file's first, header included.
QByteArrayView rawField(const CsvRows &table, qsizetype fileRow, int index)
{
    const qsizetype first = fileRow == 0 ? 0 : table.rowEnds.at(fileRow - 1);
    const qsizetype cell = first + index;
    if (index < 0 || cell >= table.rowEnds.at(fileRow))
        return QByteArrayView();
    const qsizetype begin = cell == 0 ? 0 : table.cellEnds.at(cell - 1);
    return QByteArrayView(table.cells).sliced(begin, table.cellEnds.at(cell) - begin);
}

QStringList rowTexts(const CsvRows &table, qsizetype fileRow)
{
    QStringList out;
    const qsizetype first = fileRow == 0 ? 0 : table.rowEnds.at(fileRow - 1);
    for (qsizetype i = 0; i < table.rowEnds.at(fileRow) - first; ++i)
        out << trimmedText(rawField(table, fileRow, int(i)));
    return out;
}

bool blankRow(const CsvRows &table, qsizetype fileRow)
{
    const qsizetype first = fileRow == 0 ? 0 : table.rowEnds.at(fileRow - 1);
    for (qsizetype i = 0; i < table.rowEnds.at(fileRow) - first; ++i) {
        if (!isBlank(rawField(table, fileRow, int(i))))
            return false;
    }
    return true;
}

bool isMobileType(const QString &type)
{
    const QString folded = foldName(type);
    return folded.contains(QLatin1String("mobile")) || folded.contains(QLatin1String("cell"));
}

// The fields of a row as a contact; where it is, the caller says.
void readContact(const CsvRows &table, const CsvLayout &layout, qsizetype fileRow, ImportRow &c)
{
    auto field = [&](Column column) {
        return trimmedUtf8(rawField(table, fileRow, layout.columns[size_t(column)]));
    };
    QByteArray name = field(Column::Name);
    if (name.isEmpty()) {
        const QByteArray first = field(Column::FirstName);
        const QByteArray last = field(Column::LastName);
        if (!first.isEmpty() && !last.isEmpty()) {
            // Into the last row's name, whose room is kept: no allocation a row.
            c.name.resize(0);
            name = std::move(c.name.append(first).append(' ').append(last));
        } else {
            name = first.isEmpty() ? last : first;
        }
    }
    c.name = std::move(name);
    c.numbers.clear(); // keeps its room for the next row's
    for (const Column n : {Column::Mobile, Column::Phone}) {
        QByteArray number = field(n);
        if (!number.isEmpty())
            c.numbers << std::move(number);
    }
    // Numbered phones: those typed as mobile first, then the others in
    // order, whose form then tells the mobile.
    for (const bool mobile : {true, false}) {
        for (const auto &[type, value] : layout.phones) {
            if (isMobileType(trimmedText(rawField(table, fileRow, type))) != mobile)
                continue;
            QByteArray number = trimmedUtf8(rawField(table, fileRow, value));
            if (!number.isEmpty())
                c.numbers << std::move(number);
        }
    }
    c.address = field(Column::Address);
    c.cap = field(Column::Cap);
    c.city = field(Column::City);
    c.province = field(Column::Province);
    c.region = field(Column::Region);
    c.email = field(Column::Email);
    c.birthDate = field(Column::BirthDate);
    c.sex = field(Column::Sex);
}

// The header, when the first row is one, and the column of each field.
void chooseColumns(const CsvRows &table, CsvLayout &layout)
{
    layout.columns.fill(-1);
    if (!table.rowEnds.isEmpty()) {
        const QStringList first = rowTexts(table, 0);
        const auto columns = mapColumns(first);
        const auto phones = mapPhoneColumns(first);
        const bool named = columns[size_t(Column::Name)] >= 0 || columns[size_t(Column::FirstName)] >= 0
                           || columns[size_t(Column::LastName)] >= 0;
        const bool numbered =
            columns[size_t(Column::Mobile)] >= 0 || columns[size_t(Column::Phone)] >= 0 || !phones.isEmpty();
        if (named || numbered) {
            layout.header = first;
            layout.columns = columns;
            layout.phones = phones;
            return;
        }
    }
    // No header: the columns in the order the program's own export writes them.
    int index = 0;
    for (const Column c : {Column::Name, Column::Mobile, Column::Address, Column::Cap, Column::City,
                           Column::Province, Column::Region, Column::Email, Column::BirthDate, Column::Sex})
        layout.columns[size_t(c)] = index++;
}

// Forgets the first rows, keeping the fields of the rows after them.
void dropRows(CsvRows &table, qsizetype rows)
{
    if (rows == 0)
        return;
    const qsizetype cellsGone = table.rowEnds.at(rows - 1);
    const qsizetype bytesGone = cellsGone == 0 ? 0 : table.cellEnds.at(cellsGone - 1);
    table.cells.remove(0, bytesGone);
    table.cellEnds.remove(0, cellsGone);
    for (qsizetype &end : table.cellEnds)
        end -= bytesGone;
    table.rowEnds.remove(0, rows);
    for (qsizetype &end : table.rowEnds)
        end -= cellsGone;
}

// The separator of the first line: whichever of ';' and ',' it has more of
// outside quotes.
char guessSeparator(const QByteArray &utf8)
{
    int semicolons = 0;
    int commas = 0;
    bool quoted = false;
    for (const char ch : utf8) {
        if (ch == '"')
            quoted = !quoted;
        else if (!quoted && (ch == '\n' || ch == '\r'))
            break;
        else if (!quoted && ch == ';')
            ++semicolons;
        else if (!quoted && ch == ',')
            ++commas;
    }
    return commas > semicolons ? ',' : ';';
}

} // namespace

class CsvParser final
{
public:
    explicit CsvParser(char separator)
    {
        if (csv_init(&m_parser, CSV_APPEND_NULL) != 0)
            throw Error(ErrorNo::Internal, Texts::tr("Memoria insufficiente"));
        csv_set_delim(&m_parser, static_cast<unsigned char>(separator));
    }
    ~CsvParser() { csv_free(&m_parser); }
    CsvParser(const CsvParser &) = delete;
    CsvParser &operator=(const CsvParser &) = delete;

    // Throws Error when the bytes are no CSV.
    void read(QByteArrayView bytes, CsvRows &table)
    {
        if (csv_parse(&m_parser, bytes.data(), size_t(bytes.size()), onField, onRow, &table) != size_t(bytes.size()))
            fail();
    }

    // Inside a quoted field, its closing quote not yet read.
    bool inQuotes() const
    {
        constexpr int kFieldBegun = 2; // the parser's state while a field is read
        return m_parser.quoted != 0 && m_parser.pstate == kFieldBegun;
    }
    // The bytes of the field being read.
    qsizetype fieldBytes() const { return qsizetype(m_parser.entry_pos); }

    // The last row, when the file does not end with a line break.
    void finish(CsvRows &table)
    {
        if (csv_fini(&m_parser, onField, onRow, &table) != 0)
            fail();
    }

private:
    [[noreturn]] void fail()
    {
        throw Error(ErrorNo::NotExpectedFormat, Texts::tr("Il file non è un CSV valido: %1")
                                                    .arg(QString::fromUtf8(csv_strerror(csv_error(&m_parser)))));
    }

    csv_parser m_parser;
};

QByteArray utf8Text(const QByteArray &bytes, QString *encoding)
{
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    if (body.isValidUtf8()) {
        if (encoding)
            *encoding = QStringLiteral("UTF-8");
        return body;
    }
    if (encoding)
        *encoding = QStringLiteral("Windows-1252");
    QStringDecoder cp1252("windows-1252");
    return QString(cp1252(body)).toUtf8();
}

QStringList csvEncodings()
{
    return {QStringLiteral("UTF-8"), QStringLiteral("Windows-1252")};
}

namespace {

// What one reading of the whole file tells before the import: its lines and
// whether it is UTF-8. A file that is mostly UTF-8 stays UTF-8 with a
// stray byte or two, whose rows are then left out and listed; one with no
// UTF-8 beyond ASCII and bytes that are not is Windows-1252.
struct CsvScan
{
    qsizetype lines = 0;
    bool utf8 = true;
    bool strayBytes = false;
};

[[noreturn]] void refuseTooLarge(const QIODevice &file)
{
    const auto *named = qobject_cast<const QFile *>(&file);
    throw Error(ErrorNo::NotExpectedFormat, Texts::tr("Il file '%1' è troppo grande: il limite è di %2 MB")
                                                .arg(named ? named->fileName() : QString())
                                                .arg(kMostCsvBytes >> 20));
}

[[noreturn]] void refuseUnreadable(const QIODevice &file)
{
    const auto *named = qobject_cast<const QFile *>(&file);
    throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile leggere il file '%1': %2")
                                          .arg(named ? named->fileName() : QString(), file.errorString()));
}

// The next block of the file; empty at its end. Throws past the limit.
QByteArray readBlock(QIODevice &file, qsizetype size, qint64 &total)
{
    QByteArray block = file.read(size);
    if (block.isEmpty() && file.bytesAvailable() == 0 && !file.atEnd())
        refuseUnreadable(file);
    total += block.size();
    if (total > kMostCsvBytes)
        refuseTooLarge(file);
    return block;
}

// Where a block's last character, begun and not finished, starts; the
// block's size when it ends on a whole one. Its bytes go to the next block,
// so that no character is judged cut in half.
qsizetype wholeCharacters(QByteArrayView block)
{
    qsizetype i = block.size();
    int continuations = 0;
    while (i > 0 && continuations < 3 && (static_cast<unsigned char>(block[i - 1]) & 0xC0) == 0x80) {
        --i;
        ++continuations;
    }
    if (i == 0)
        return block.size();
    const auto lead = static_cast<unsigned char>(block[i - 1]);
    const int due = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    return due > continuations ? i - 1 : block.size();
}

// Characters beyond ASCII and bytes that are not UTF-8, in bytes that begin
// on a character. Only blocks that are not all UTF-8 come here.
void countCharacters(QByteArrayView bytes, qsizetype &multibyte, qsizetype &invalid)
{
    int pending = 0; // continuation bytes still due
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (pending > 0) {
            if ((b & 0xC0) == 0x80) {
                multibyte += --pending == 0;
                continue;
            }
            ++invalid;
            pending = 0;
        }
        if (b < 0x80)
            continue;
        if (b >= 0xC2 && b <= 0xDF)
            pending = 1;
        else if (b >= 0xE0 && b <= 0xEF)
            pending = 2;
        else if (b >= 0xF0 && b <= 0xF4)
            pending = 3;
        else
            ++invalid;
    }
    invalid += pending > 0;
}

struct ByteCounts
{
    qsizetype lf = 0;
    qsizetype cr = 0;
    qsizetype leads = 0; // bytes that begin a character beyond ASCII
};

// Eight bytes at a time: a byte at a time, the count took as long as the
// rest of reading the file. Each byte of a sum counts the matches in its
// column, added up across every 255 words, before it could overflow: a
// population count per word is a library call on processors the build
// cannot assume have the instruction, and cost as much as the rest.
ByteCounts countBytes(QByteArrayView bytes)
{
    constexpr quint64 kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr quint64 kEach = 0x0101010101010101ULL;
    constexpr quint64 kEvenBytes = 0x00FF00FF00FF00FFULL;
    // 1 in each byte that is zero, 0 in the others.
    const auto zeros = [](quint64 x) { return ~(((x & kLow7) + kLow7) | x | kLow7) >> 7; };
    const auto total = [](quint64 sums) {
        const quint64 pairs = (sums & kEvenBytes) + ((sums >> 8) & kEvenBytes); // four sums of at most 510
        return qsizetype((pairs * 0x0001000100010001ULL) >> 48);
    };
    ByteCounts out;
    qsizetype i = 0;
    while (i + 8 <= bytes.size()) {
        quint64 lf = 0;
        quint64 cr = 0;
        quint64 leads = 0;
        for (int words = 0; words < 255 && i + 8 <= bytes.size(); ++words, i += 8) {
            quint64 x;
            std::memcpy(&x, bytes.data() + i, sizeof x);
            lf += zeros(x ^ ('\n' * kEach));
            cr += zeros(x ^ ('\r' * kEach));
            leads += (x & (x << 1) & ~kLow7) >> 7; // the two high bits set
        }
        out.lf += total(lf);
        out.cr += total(cr);
        out.leads += total(leads);
    }
    for (; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out.lf += b == '\n';
        out.cr += b == '\r';
        out.leads += (b & 0xC0) == 0xC0;
    }
    return out;
}

// Most files are UTF-8 throughout: each block is checked whole, and its
// lines and characters counted eight bytes at a time; a byte at a time
// only where a block is not UTF-8.
CsvScan scanCsv(QIODevice &file)
{
    if (!file.seek(0))
        refuseUnreadable(file);
    CsvScan scan;
    qsizetype lf = 0;
    qsizetype cr = 0;
    qsizetype multibyte = 0; // characters beyond ASCII that are valid UTF-8
    qsizetype invalid = 0;
    qint64 total = 0;
    QByteArray carried; // a character begun at the end of the last block
    for (;;) {
        QByteArray block = readBlock(file, 1 << 20, total);
        const bool last = block.isEmpty();
        if (!carried.isEmpty())
            block.prepend(std::exchange(carried, {}));
        if (block.isEmpty())
            break;
        const qsizetype whole = last ? block.size() : wholeCharacters(block);
        const QByteArrayView bytes = QByteArrayView(block).first(whole);
        carried = block.sliced(whole);
        const ByteCounts counts = countBytes(bytes);
        lf += counts.lf;
        cr += counts.cr;
        if (bytes.isValidUtf8())
            multibyte += counts.leads;
        else
            countCharacters(bytes, multibyte, invalid);
        if (last)
            break;
    }
    scan.lines = std::max(lf, cr);
    scan.utf8 = invalid == 0 || multibyte > invalid;
    scan.strayBytes = scan.utf8 && invalid > 0;
    if (!file.seek(0))
        refuseUnreadable(file);
    return scan;
}

} // namespace

QString decodeText(const QByteArray &bytes, QString *encoding)
{
    return QString::fromUtf8(utf8Text(bytes, encoding));
}

std::array<int, int(Column::Count)> mapColumns(const QStringList &header)
{
    std::array<int, int(Column::Count)> columns;
    columns.fill(-1);
    for (int i = 0; i < header.size(); ++i) {
        const auto it = knownHeaders().constFind(foldName(header.at(i)));
        if (it != knownHeaders().cend() && columns[size_t(*it)] < 0)
            columns[size_t(*it)] = i;
    }
    return columns;
}

QList<std::pair<int, int>> mapPhoneColumns(const QStringList &header)
{
    // "Phone 2 - Value" folds to "phone2value".
    static const QRegularExpression numbered(QStringLiteral("^phone(\\d+)(type|value)$"));
    QMap<int, std::pair<int, int>> byNumber;
    for (int i = 0; i < header.size(); ++i) {
        const QRegularExpressionMatch m = numbered.match(foldName(header.at(i)));
        if (!m.hasMatch())
            continue;
        auto it = byNumber.find(m.captured(1).toInt());
        if (it == byNumber.end())
            it = byNumber.insert(m.captured(1).toInt(), {-1, -1});
        (m.captured(2) == QLatin1String("type") ? it->first : it->second) = i;
    }
    QList<std::pair<int, int>> out;
    for (const auto &pair : std::as_const(byNumber)) {
        if (pair.second >= 0)
            out.append(pair);
    }
    return out;
}

struct CsvStream::Reading
{
    QIODevice *file = nullptr;
    CsvLayout layout;
    CsvRows window; // rows read and not yet handed out, and a row begun
    std::optional<CsvParser> parser;
    std::optional<QStringDecoder> cp1252;
    QString where; // "Riga %1", translated once
    qint64 read = 0;          // bytes read from the file
    qsizetype lines = 0;      // of the whole file
    qsizetype rowsBefore = 0; // the file's rows before the window's first
    qsizetype row = 0;        // the window's next row
    bool ended = false;

    // The row being read, as the file numbers them.
    qsizetype rowBeingRead() const { return rowsBefore + window.rowEnds.size() + 1; }

    [[noreturn]] void refuseRow(RowFault fault, qsizetype fileRow) const
    {
        QString text;
        switch (fault) {
        case RowFault::OpenQuote:
            text = Texts::tr("Riga %1: le virgolette aperte in questa riga non si chiudono (un campo tra virgolette "
                             "va a capo al più %2 volte)")
                       .arg(fileRow)
                       .arg(kMostQuotedFieldLines);
            break;
        case RowFault::LongField:
            text = Texts::tr("Riga %1: un campo supera il limite di %2 KB").arg(fileRow).arg(kMostCsvFieldBytes >> 10);
            break;
        default:
            text = Texts::tr("Riga %1: la riga supera il limite di %2 KB").arg(fileRow).arg(kMostCsvRowBytes >> 10);
            break;
        }
        throw Error(ErrorNo::NotExpectedFormat, text);
    }

    // After each block: a row past a limit stops the reading, and so does
    // the row or field still being read.
    void checkLimits() const
    {
        if (window.fault != RowFault::None)
            refuseRow(window.fault, rowsBefore + window.faultRow + 1);
        if (parser->fieldBytes() > kMostCsvFieldBytes)
            refuseRow(parser->inQuotes() ? RowFault::OpenQuote : RowFault::LongField, rowBeingRead());
        if (openRowSize(window) + parser->fieldBytes() > kMostCsvRowBytes)
            refuseRow(RowFault::LongRow, rowBeingRead());
    }

    // Reads on until a row is there to hand out; false at the file's end.
    bool readRows()
    {
        constexpr qsizetype kBlock = 64 * 1024;
        while (row == window.rowEnds.size()) {
            if (ended)
                return false;
            const bool first = read == 0;
            QByteArray block = readBlock(*file, kBlock, read);
            if (block.isEmpty()) {
                if (parser->inQuotes())
                    refuseRow(RowFault::OpenQuote, rowBeingRead());
                parser->finish(window);
                ended = true;
                checkLimits();
                continue;
            }
            if (first && block.startsWith("\xEF\xBB\xBF"))
                block.remove(0, 3);
            if (cp1252)
                block = QString((*cp1252)(block)).toUtf8();
            // A NUL is no text: the book would refuse the whole import.
            const qsizetype nul = block.indexOf('\0');
            parser->read(nul < 0 ? QByteArrayView(block) : QByteArrayView(block).first(nul), window);
            checkLimits();
            if (nul >= 0)
                throw Error(ErrorNo::NotExpectedFormat,
                            Texts::tr("Riga %1: il file contiene un byte NUL, che in un testo non può esserci")
                                .arg(rowBeingRead()));
        }
        return true;
    }

    // Whether a row's bytes are all UTF-8.
    bool validRow(qsizetype r) const
    {
        const qsizetype firstCell = r == 0 ? 0 : window.rowEnds.at(r - 1);
        const qsizetype begin = firstCell == 0 ? 0 : window.cellEnds.at(firstCell - 1);
        const qsizetype end = window.rowEnds.at(r) == 0 ? 0 : window.cellEnds.at(window.rowEnds.at(r) - 1);
        return QByteArrayView(window.cells).sliced(begin, end - begin).isValidUtf8();
    }
};

CsvStream::CsvStream(QIODevice &file, const QString &encoding)
    : m_reading(std::make_unique<Reading>())
{
    Reading &r = *m_reading;
    r.file = &file;
    const CsvScan scan = scanCsv(file);
    r.lines = scan.lines;
    const bool utf8 = encoding.isEmpty() ? scan.utf8 : encoding == csvEncodings().at(0);
    r.layout.encoding = csvEncodings().at(utf8 ? 0 : 1);
    r.layout.strayBytes = utf8 && (scan.strayBytes || (!encoding.isEmpty() && !scan.utf8));
    if (!utf8)
        r.cp1252.emplace("windows-1252");
    // The separators are ASCII in both encodings.
    r.layout.separator = guessSeparator(file.peek(kMostCsvRowBytes));
    r.parser.emplace(r.layout.separator);
    r.where = Texts::tr("Riga %1");
    r.readRows();
    chooseColumns(r.window, r.layout);
    r.row = r.layout.header.isEmpty() ? 0 : 1;
}

CsvStream::~CsvStream() = default;

const CsvLayout &CsvStream::layout() const
{
    return m_reading->layout;
}

qsizetype CsvStream::mostContacts() const
{
    return m_reading->lines + 1 - (m_reading->layout.header.isEmpty() ? 0 : 1);
}

bool CsvStream::next(ImportRow &c)
{
    Reading &r = *m_reading;
    for (;;) {
        while (r.row < r.window.rowEnds.size() && blankRow(r.window, r.row))
            ++r.row;
        if (r.row < r.window.rowEnds.size())
            break;
        dropRows(r.window, r.row);
        r.rowsBefore += r.row;
        r.row = 0;
        if (!r.readRows())
            return false;
    }
    readContact(r.window, r.layout, r.row, c);
    c.badText = r.layout.strayBytes && !r.validRow(r.row);
    c.wherePattern = r.where;
    c.whereNumber = r.rowsBefore + r.row + 1;
    ++r.row;
    return true;
}

CsvPreview previewCsv(QIODevice &file, int rows, const QString &encoding)
{
    CsvStream stream(file, encoding);
    CsvPreview preview{stream.layout(), {}, 0};
    // The texts the stream hands out may be views of its buffer, which the
    // next rows overwrite: the ones kept are copied.
    const auto own = [](QByteArray &text) { text = QByteArray(text.constData(), text.size()); };
    for (ImportRow row; stream.next(row); ++preview.contacts) {
        if (preview.first.size() < rows) {
            for (QByteArray *text : {&row.name, &row.address, &row.cap, &row.city, &row.province, &row.region,
                                     &row.email, &row.birthDate, &row.sex})
                own(*text);
            for (QByteArray &number : row.numbers)
                own(number);
            preview.first << row;
        }
    }
    return preview;
}

} // namespace brio::kit
