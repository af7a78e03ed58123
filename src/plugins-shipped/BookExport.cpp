#include "BookExport.h"

#include "addressbook/ContactsCsv.h"
#include "core/Error.h"
#include "core/Texts.h"
#include "store/Database.h"

#include <QDate>
#include <QSaveFile>

namespace brio::kit {

namespace {

struct Contact
{
    QString name, number, address, cap, city, province, region, email, birth, sex;
};

QList<Contact> readContacts(Database &db, qint64 groupId)
{
    QString sql = QStringLiteral(
        "SELECT Nominativo, Numero, Indirizzo, CAP, Citta, Prov, Regione, e_mail, DataNascita, Sesso "
        "FROM tab_destinatari");
    if (groupId >= 0)
        sql += QStringLiteral(" WHERE IDDestinatario IN (SELECT ID_Membro FROM tab_membri WHERE ID_Lista = ?)");
    sql += QStringLiteral(" ORDER BY Nominativo COLLATE NOCASE, IDDestinatario");
    Statement st = db.prepare(sql);
    if (groupId >= 0)
        st.bind(1, groupId);
    QList<Contact> out;
    while (st.next()) {
        out << Contact{st.text(0), st.text(1), st.text(2), st.text(3), st.text(4),
                       st.text(5), st.text(6), st.text(7), st.text(8), st.text(9)};
    }
    return out;
}

QDate birthDate(const QString &stored)
{
    return QDate::fromString(stored, QStringLiteral("yyyyMMdd"));
}

QString escaped(const QString &text)
{
    QString out;
    for (const QChar ch : text) {
        if (ch == QLatin1Char('\\') || ch == QLatin1Char(',') || ch == QLatin1Char(';'))
            out += QLatin1Char('\\') + QString(ch);
        else if (ch == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (ch != QLatin1Char('\r'))
            out += ch;
    }
    return out;
}

// Content lines longer than 75 octets are folded, never inside a character.
QByteArray folded(const QString &line)
{
    const QByteArray utf8 = line.toUtf8();
    QByteArray out;
    qsizetype width = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const bool continuation = (uchar(utf8.at(i)) & 0xC0) == 0x80;
        if (width >= 75 && !continuation) {
            out += "\r\n ";
            width = 1;
        }
        out += utf8.at(i);
        ++width;
    }
    return out + "\r\n";
}

QByteArray vcardText(const QList<Contact> &contacts)
{
    QByteArray out;
    for (const Contact &c : contacts) {
        QStringList lines{QStringLiteral("BEGIN:VCARD"), QStringLiteral("VERSION:3.0"),
                          QStringLiteral("FN:") + escaped(c.name), QStringLiteral("N:;") + escaped(c.name) + QStringLiteral(";;;"),
                          QStringLiteral("TEL;TYPE=CELL:") + c.number};
        if (!(c.address + c.city + c.province + c.cap).isEmpty()) {
            lines << QStringLiteral("ADR;TYPE=HOME:;;%1;%2;%3;%4;")
                         .arg(escaped(c.address), escaped(c.city), escaped(c.province), escaped(c.cap));
        }
        if (!c.region.isEmpty())
            lines << QStringLiteral("X-REGIONE:") + escaped(c.region);
        if (!c.email.isEmpty())
            lines << QStringLiteral("EMAIL;TYPE=INTERNET:") + escaped(c.email);
        if (const QDate born = birthDate(c.birth); born.isValid())
            lines << QStringLiteral("BDAY:") + born.toString(Qt::ISODate);
        if (!c.sex.isEmpty())
            lines << QStringLiteral("X-GENDER:") + escaped(c.sex);
        lines << QStringLiteral("END:VCARD");
        for (const QString &line : lines)
            out += folded(line);
    }
    return out;
}

} // namespace

QList<GroupChoice> exportChoices(Database &db)
{
    QList<GroupChoice> out{{-1, Texts::tr("Tutta la rubrica")}};
    Statement st = db.prepare(QStringLiteral("SELECT ID_Lista, NomeLista FROM tab_liste ORDER BY NomeLista COLLATE NOCASE"));
    while (st.next())
        out << GroupChoice{st.integer(0), st.text(1)};
    return out;
}

int exportBook(Database &db, qint64 groupId, ExportFormat format, const QString &path)
{
    QByteArray bytes;
    int count = 0;
    if (format == ExportFormat::Csv) {
        ContactsCsv csv = writeContactsCsv(db, groupId >= 0 ? QList<qint64>{groupId} : QList<qint64>{});
        bytes = std::move(csv.bytes);
        count = csv.contacts;
    } else {
        const QList<Contact> contacts = readContacts(db, groupId);
        bytes = vcardText(contacts);
        count = int(contacts.size());
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile scrivere il file '%1'").arg(path));
    file.write(bytes);
    if (!file.commit())
        throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile scrivere il file '%1'").arg(path));
    return count;
}

} // namespace brio::kit
