#include "addressbook/ContactsCsv.h"

#include "addressbook/Contacts.h"

#include <QDate>
#include <QStringList>
#include <csv.h>

namespace brio {

namespace {

QByteArray csvField(const QString &text)
{
    const QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 2, Qt::Uninitialized);
    out.resize(qsizetype(csv_write(out.data(), size_t(out.size()), in.constData(), size_t(in.size()))));
    return out;
}

void writeRow(QByteArray &out, const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ';';
        out += csvField(fields.at(i));
    }
    out += "\r\n";
}

} // namespace

ContactsCsv writeContactsCsv(Database &db, const QList<qint64> &groups)
{
    ContactsCsv csv;
    csv.bytes = QByteArray("\xEF\xBB\xBF");
    writeRow(csv.bytes, {QStringLiteral("Nominativo"), QStringLiteral("Cellulare"), QStringLiteral("Indirizzo"),
                         QStringLiteral("CAP"), QStringLiteral("Città"), QStringLiteral("Provincia"),
                         QStringLiteral("Regione"), QStringLiteral("E-mail"), QStringLiteral("Data di nascita"),
                         QStringLiteral("Sesso")});
    for (const Contact &c : contactsByName(db, groups)) {
        const QDate born = QDate::fromString(c.birthDate, QStringLiteral("yyyyMMdd"));
        writeRow(csv.bytes, {c.name, c.number, c.address, c.postCode, c.city, c.province, c.region, c.email,
                             born.isValid() ? born.toString(QStringLiteral("dd/MM/yyyy")) : QString(), c.sex});
        ++csv.contacts;
    }
    return csv;
}

} // namespace brio
