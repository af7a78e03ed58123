#include "addressbook/ContactsCsv.h"

#include "store/Database.h"

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

Statement contactsOf(Database &db, const QList<qint64> &groups, const QString &columns)
{
    QString sql = QStringLiteral("SELECT %1 FROM tab_destinatari").arg(columns);
    if (!groups.isEmpty()) {
        const QStringList marks(groups.size(), QStringLiteral("?"));
        sql += QStringLiteral(" WHERE IDDestinatario IN (SELECT ID_Membro FROM tab_membri WHERE ID_Lista IN (%1))")
                   .arg(marks.join(QLatin1Char(',')));
    }
    sql += QStringLiteral(" ORDER BY Nominativo COLLATE NOCASE, IDDestinatario");
    Statement st = db.prepare(sql);
    for (int i = 0; i < groups.size(); ++i)
        st.bind(i + 1, groups.at(i));
    return st;
}

ContactsCsv writeContactsCsv(Database &db, const QList<qint64> &groups)
{
    Statement st = contactsOf(
        db, groups, QStringLiteral("Nominativo, Numero, Indirizzo, CAP, Citta, Prov, Regione, e_mail, DataNascita, Sesso"));

    ContactsCsv csv;
    csv.bytes = QByteArray("\xEF\xBB\xBF");
    writeRow(csv.bytes, {QStringLiteral("Nominativo"), QStringLiteral("Cellulare"), QStringLiteral("Indirizzo"),
                         QStringLiteral("CAP"), QStringLiteral("Città"), QStringLiteral("Provincia"),
                         QStringLiteral("Regione"), QStringLiteral("E-mail"), QStringLiteral("Data di nascita"),
                         QStringLiteral("Sesso")});
    while (st.next()) {
        const QDate born = QDate::fromString(st.text(8), QStringLiteral("yyyyMMdd"));
        writeRow(csv.bytes, {st.text(0), st.text(1), st.text(2), st.text(3), st.text(4), st.text(5), st.text(6),
                             st.text(7), born.isValid() ? born.toString(QStringLiteral("dd/MM/yyyy")) : QString(),
                             st.text(9)});
        ++csv.contacts;
    }
    return csv;
}

} // namespace brio
