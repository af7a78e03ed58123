#include "CsvSource.h"

#include "core/Error.h"
#include "core/Texts.h"

#include <QHash>
#include <QStringDecoder>
#include <csv.h>

namespace brio::kit {

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
                             "primary phone", "home phone", "business phone", "telefono casa",
                             "phone 1 value"}},
            {Column::Address, {"indirizzo", "via", "address", "street", "home street", "street address"}},
            {Column::Cap, {"cap", "codice postale", "postal code", "zip", "zip code", "postcode",
                           "home postal code"}},
            {Column::City, {"citta", "comune", "localita", "city", "town", "home city"}},
            {Column::Province, {"provincia", "prov", "province", "county", "home state", "state"}},
            {Column::Region, {"regione", "region"}},
            {Column::Email, {"email", "e mail", "posta elettronica", "indirizzo email", "email address",
                             "e mail address", "mail"}},
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

struct Collector
{
    QList<QStringList> rows;
    QStringList current;
};

void onField(void *data, size_t size, void *collector)
{
    auto *c = static_cast<Collector *>(collector);
    c->current << QString::fromUtf8(static_cast<const char *>(data), qsizetype(size)).trimmed();
}

void onRow(int, void *collector)
{
    auto *c = static_cast<Collector *>(collector);
    c->rows << std::exchange(c->current, {});
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

QString field(const QStringList &row, int index)
{
    return index >= 0 && index < row.size() ? row.at(index) : QString();
}

} // namespace

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

QString decodeText(const QByteArray &bytes, QString *encoding)
{
    return QString::fromUtf8(utf8Text(bytes, encoding));
}

int CsvTable::column(Column c) const
{
    return columns[size_t(c)];
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

CsvTable readCsv(const QByteArray &bytes)
{
    CsvTable table;
    const QByteArray utf8 = utf8Text(bytes, &table.encoding);
    table.separator = guessSeparator(utf8);

    csv_parser parser;
    if (csv_init(&parser, CSV_APPEND_NULL) != 0)
        throw Error(ErrorNo::Internal, Texts::tr("Memoria insufficiente"));
    csv_set_delim(&parser, static_cast<unsigned char>(table.separator));
    Collector collector;
    const bool parsed = csv_parse(&parser, utf8.constData(), size_t(utf8.size()), onField, onRow, &collector)
                            == size_t(utf8.size())
                        && csv_fini(&parser, onField, onRow, &collector) == 0;
    const QString problem = QString::fromUtf8(csv_strerror(csv_error(&parser)));
    csv_free(&parser);
    if (!parsed)
        throw Error(ErrorNo::NotExpectedFormat, Texts::tr("Il file non è un CSV valido: %1").arg(problem));

    table.rows = std::move(collector.rows);
    table.columns.fill(-1);
    if (!table.rows.isEmpty()) {
        const auto columns = mapColumns(table.rows.first());
        const bool named = columns[size_t(Column::Name)] >= 0 || columns[size_t(Column::FirstName)] >= 0
                           || columns[size_t(Column::LastName)] >= 0;
        const bool numbered = columns[size_t(Column::Mobile)] >= 0 || columns[size_t(Column::Phone)] >= 0;
        if (named || numbered) {
            table.header = table.rows.takeFirst();
            table.columns = columns;
        }
    }
    if (table.header.isEmpty()) {
        // No header: the columns in the order the program's own export writes them.
        int index = 0;
        for (const Column c : {Column::Name, Column::Mobile, Column::Address, Column::Cap, Column::City,
                               Column::Province, Column::Region, Column::Email, Column::BirthDate, Column::Sex})
            table.columns[size_t(c)] = index++;
    }
    return table;
}

QList<ImportRow> CsvTable::contacts() const
{
    QList<ImportRow> out;
    out.reserve(rows.size());
    const int first = header.isEmpty() ? 1 : 2;
    const QString where = Texts::tr("Riga %1");
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList &row = rows.at(r);
        if (std::all_of(row.cbegin(), row.cend(), [](const QString &f) { return f.isEmpty(); }))
            continue;
        ImportRow c;
        c.where = where.arg(first + r);
        c.name = field(row, column(Column::Name));
        if (c.name.isEmpty()) {
            c.name = QStringList{field(row, column(Column::FirstName)), field(row, column(Column::LastName))}
                         .join(QLatin1Char(' '))
                         .trimmed();
        }
        for (const Column n : {Column::Mobile, Column::Phone}) {
            const QString number = field(row, column(n));
            if (!number.isEmpty())
                c.numbers << number;
        }
        c.address = field(row, column(Column::Address));
        c.cap = field(row, column(Column::Cap));
        c.city = field(row, column(Column::City));
        c.province = field(row, column(Column::Province));
        c.region = field(row, column(Column::Region));
        c.email = field(row, column(Column::Email));
        c.birthDate = field(row, column(Column::BirthDate));
        c.sex = field(row, column(Column::Sex));
        out << c;
    }
    return out;
}

} // namespace brio::kit
