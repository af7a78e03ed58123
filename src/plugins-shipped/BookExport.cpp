#include "BookExport.h"

#include "addressbook/Contacts.h"
#include "addressbook/ContactsCsv.h"
#include "core/Error.h"
#include "core/Texts.h"
#include "groups/Groups.h"

#include <QDate>
#include <QSaveFile>

namespace brio::kit {

namespace {

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
        if (!(c.address + c.city + c.province + c.postCode).isEmpty()) {
            lines << QStringLiteral("ADR;TYPE=HOME:;;%1;%2;%3;%4;")
                         .arg(escaped(c.address), escaped(c.city), escaped(c.province), escaped(c.postCode));
        }
        if (!c.region.isEmpty())
            lines << QStringLiteral("X-REGIONE:") + escaped(c.region);
        if (!c.email.isEmpty())
            lines << QStringLiteral("EMAIL;TYPE=INTERNET:") + escaped(c.email);
        if (const QDate born = birthDate(c.birthDate); born.isValid())
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
    for (const Group &g : groupsByName(db))
        out << GroupChoice{g.id, g.name};
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
        const QList<Contact> contacts = contactsByName(db, groupId >= 0 ? QList<qint64>{groupId} : QList<qint64>{});
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
