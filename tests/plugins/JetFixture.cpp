#include "plugins/JetFixture.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <stdexcept>

namespace brio::test {

namespace {

constexpr int kPageSize = 4096;
constexpr int kRowOffsets = 14; // first row offset on a data page
constexpr quint8 kLongInt = 0x04;
constexpr quint8 kInt = 0x03;
constexpr quint8 kText = 0x0a;
constexpr quint8 kOle = 0x0b;

void put16(QByteArray &b, int at, quint32 v)
{
    b[at] = char(v & 0xff);
    b[at + 1] = char((v >> 8) & 0xff);
}

void put32(QByteArray &b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}

void append16(QByteArray &b, quint32 v)
{
    b.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
}

QByteArray ucs2(const QString &s)
{
    QByteArray out;
    for (const QChar c : s)
        append16(out, c.unicode());
    return out;
}

// Jet 4 keeps a text whose characters all fit in one byte as those bytes
// behind an FF FE marker ("compressed"), any other text as UCS-2.
QByteArray jetText(const QString &s)
{
    if (s.isEmpty())
        return {};
    for (const QChar c : s) {
        if (c.unicode() == 0 || c.unicode() > 0xff)
            return ucs2(s);
    }
    QByteArray out("\xff\xfe", 2);
    for (const QChar c : s)
        out.append(char(c.unicode()));
    return out;
}

struct Column
{
    quint8 type;
    quint16 size;
    bool fixed;
    QString name;
};

using Value = std::optional<QByteArray>;

// Fixed columns, variable columns, end of data, their offsets backwards,
// their count, then one not-null bit per column.
QByteArray packRow(const QList<Column> &columns, const QList<Value> &values)
{
    QByteArray row;
    append16(row, quint32(columns.size()));
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].fixed)
            row += values[i] ? *values[i] : QByteArray(columns[i].size, '\0');
    }
    QList<int> offsets;
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].fixed)
            continue;
        offsets << int(row.size());
        if (values[i])
            row += *values[i];
    }
    append16(row, quint32(row.size()));
    for (int k = int(offsets.size()) - 1; k >= 0; --k)
        append16(row, quint32(offsets[k]));
    append16(row, quint32(offsets.size()));
    QByteArray mask((columns.size() + 7) / 8, '\0');
    for (int i = 0; i < columns.size(); ++i) {
        if (values[i])
            mask[i / 8] = char(mask[i / 8] | (1 << (i % 8)));
    }
    return row + mask;
}

// A data page of the table defined at tdefPage, rows stored from the end.
QByteArray dataPage(quint32 tdefPage, const QList<QByteArray> &rows)
{
    QByteArray page(kPageSize, '\0');
    page[0] = 0x01;
    page[1] = 0x01;
    put32(page, 4, tdefPage);
    put16(page, 12, quint32(rows.size()));
    int end = kPageSize;
    for (int i = 0; i < rows.size(); ++i) {
        end -= int(rows[i].size());
        page.replace(end, rows[i].size(), rows[i]);
        put16(page, kRowOffsets + 2 * i, quint32(end));
    }
    put16(page, 2, quint32(end - kRowOffsets - 2 * rows.size()));
    return page;
}

bool fitsOnPage(const QList<QByteArray> &rows, const QByteArray &next)
{
    qsizetype used = kRowOffsets + 2 * (rows.size() + 1) + next.size();
    for (const QByteArray &r : rows)
        used += r.size();
    return used <= kPageSize;
}

QByteArray tableDefinition(const QList<Column> &columns, quint32 rows, bool system, quint32 usageMap,
                           quint32 freeMap)
{
    QByteArray page(kPageSize, '\0');
    page[0] = 0x02;
    page[1] = 0x01;
    const quint32 varCount = quint32(std::count_if(columns.begin(), columns.end(),
                                                   [](const Column &c) { return !c.fixed; }));
    put32(page, 16, rows);
    page[40] = char(system ? 0x53 : 0x4e);
    put16(page, 41, quint32(columns.size()));
    put16(page, 43, varCount);
    put16(page, 45, quint32(columns.size()));
    put32(page, 55, usageMap);
    put32(page, 59, freeMap);
    int pos = 63; // no indexes
    quint32 fixedOffset = 0;
    quint32 varIndex = 0;
    for (int i = 0; i < columns.size(); ++i) {
        const Column &c = columns[i];
        page[pos] = char(c.type);
        put16(page, pos + 5, quint32(i));
        put16(page, pos + 7, c.fixed ? 0 : varIndex++);
        put16(page, pos + 9, quint32(i));
        if (c.type == kText) {
            put16(page, pos + 11, 0x409); // general sort order
            page[pos + 16] = 0x01;        // compressed text allowed
        }
        page[pos + 15] = char(c.fixed ? 0x03 : 0x02);
        put16(page, pos + 21, c.fixed ? fixedOffset : 0);
        put16(page, pos + 23, c.size);
        if (c.fixed)
            fixedOffset += c.size;
        pos += 25;
    }
    for (const Column &c : columns) {
        const QByteArray name = ucs2(c.name);
        put16(page, pos, quint32(name.size()));
        page.replace(pos + 2, name.size(), name);
        pos += 2 + int(name.size());
    }
    put16(page, pos, 0xffff);
    pos += 2;
    if (pos > kPageSize)
        throw std::runtime_error("table definition larger than a page");
    put32(page, 8, quint32(pos - 8));
    put16(page, 2, quint32(kPageSize - pos));
    return page;
}

// Type 0 usage map: the bitmap of the pages from page 0 on.
QByteArray usageMap(const QList<quint32> &pages)
{
    quint32 last = 0;
    for (quint32 p : pages)
        last = std::max(last, p);
    QByteArray map(5 + int(last / 8 + 1), '\0');
    for (quint32 p : pages)
        map[5 + int(p / 8)] = char(map[5 + int(p / 8)] | (1 << (p % 8)));
    return map;
}

QByteArray rc4(const QByteArray &key, QByteArray data)
{
    quint8 s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + quint8(key[i % key.size()])) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < data.size(); ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[n] = char(quint8(data[n]) ^ s[(s[i] + s[j]) & 0xff]);
    }
    return data;
}

// Page 0: signature, version 4, and the scrambled block holding code page,
// key (none) and sort order.
QByteArray headerPage()
{
    QByteArray page(kPageSize, '\0');
    page[1] = 0x01;
    page.replace(4, 15, "Standard Jet DB");
    put32(page, 0x14, 1);
    QByteArray block(128, '\0');
    put16(block, 0x3c - 0x18, 1252);
    put16(block, 0x6e - 0x18, 1033);
    page.replace(0x18, block.size(), rc4(QByteArray("\xc7\xda\x39\x6b", 4), block));
    return page;
}

} // namespace

void writeJet4(const QString &path, const JetTable &table)
{
    // Page 1 holds the usage maps, 2 and 3 the catalog, 4 the table's
    // definition, its rows follow.
    constexpr quint32 kMaps = 1, kCatalog = 2, kCatalogData = 3, kTable = 4;
    auto mapRow = [](quint32 row) { return (kMaps << 8) | row; };

    QList<Column> columns;
    for (const QString &name : table.columns)
        columns.append({kText, 510, false, name});
    QList<QByteArray> pages;
    QList<QByteArray> onPage;
    for (const QList<JetText> &values : table.rows) {
        QList<Value> packed;
        for (const JetText &v : values)
            packed << (v ? Value(jetText(*v)) : Value());
        const QByteArray row = packRow(columns, packed);
        if (!fitsOnPage(onPage, row)) {
            pages << dataPage(kTable, onPage);
            onPage.clear();
        }
        onPage << row;
    }
    if (!onPage.isEmpty())
        pages << dataPage(kTable, onPage);
    QList<quint32> dataPages;
    for (int i = 0; i < pages.size(); ++i)
        dataPages << kTable + 1 + quint32(i);

    const QList<Column> catalogColumns{{kLongInt, 4, true, QStringLiteral("Id")},
                                       {kInt, 2, true, QStringLiteral("Type")},
                                       {kLongInt, 4, true, QStringLiteral("Flags")},
                                       {kText, 510, false, QStringLiteral("Name")},
                                       {kOle, 0, false, QStringLiteral("LvProp")}};
    QByteArray id(4, '\0'), type(2, '\0'), flags(4, '\0');
    put32(id, 0, kTable);
    put16(type, 0, 1); // a table
    const QByteArray entry = packRow(catalogColumns, {id, type, flags, jetText(table.name), Value()});

    const QByteArray maps = dataPage(0, {usageMap({kCatalogData}), usageMap({}), usageMap(dataPages), usageMap({})});
    if (maps.size() != kPageSize || usageMap(dataPages).size() > kPageSize / 2)
        throw std::runtime_error("too many pages for one usage map");

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write the fixture");
    file.write(headerPage());
    file.write(maps);
    file.write(tableDefinition(catalogColumns, 1, true, mapRow(0), mapRow(1)));
    file.write(dataPage(kCatalog, {entry}));
    file.write(tableDefinition(columns, quint32(table.rows.size()), false, mapRow(2), mapRow(3)));
    for (const QByteArray &p : pages)
        file.write(p);
    if (!file.flush())
        throw std::runtime_error("cannot write the fixture");
}

void writeOldBook(const QString &path, const QList<std::pair<QString, JetText>> &contacts)
{
    JetTable table{QStringLiteral("tab_destinatari"),
                   {QStringLiteral("Nominativo"), QStringLiteral("numero"), QStringLiteral("Indirizzo"),
                    QStringLiteral("CAP"), QStringLiteral("Citta"), QStringLiteral("Prov"), QStringLiteral("Regione"),
                    QStringLiteral("e_mail")},
                   {}};
    for (const auto &[name, number] : contacts) {
        table.rows.append({name, number, QStringLiteral("Via Garibaldi 7"), QStringLiteral("47121"),
                           QStringLiteral("Forlì"), QStringLiteral("FC"), QString(), std::nullopt});
    }
    writeJet4(path, table);
}

} // namespace brio::test
