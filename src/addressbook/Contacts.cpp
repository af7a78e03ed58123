#include "addressbook/Contacts.h"

#include "addressbook/ListEntries.h"
#include "context/Notifier.h"
#include "core/Error.h"
#include "core/Texts.h"
#include "store/Database.h"

#include <QStringList>

namespace brio {

namespace {

const QString kFields = QStringLiteral("Nominativo, Numero, Indirizzo, CAP, Citta, Prov, Regione, e_mail, DataNascita, Sesso");

// Empty fields are stored as empty texts, never NULL: other programs read
// the file too, and the CSV import has always written them so.
const QString kInsert = QStringLiteral("INSERT INTO tab_destinatari (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(kFields);

QVariantList values(const Contact &c)
{
    const auto stored = [](const QString &text) { return text.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(text); };
    return {stored(c.name),     stored(c.number), stored(c.address),   stored(c.postCode), stored(c.city),
            stored(c.province), stored(c.region), stored(c.email), stored(c.birthDate), stored(c.sex)};
}

// The row read with kFields first and the id after them.
Contact contactAt(const Statement &st)
{
    return Contact{st.text(0), st.text(1), st.text(2), st.text(3), st.text(4),
                   st.text(5), st.text(6), st.text(7), st.text(8), st.text(9), st.integer(10)};
}

// The name of a contact other than `except` that has the number.
std::optional<QString> holderOf(Database &db, const QString &number, qint64 except)
{
    ReusedStatement st(db, QStringLiteral(
        "SELECT Nominativo FROM tab_destinatari WHERE Numero = ? AND IDDestinatario <> ? LIMIT 1"));
    st->bind(1, number).bind(2, except);
    if (!st->next())
        return std::nullopt;
    return st->text(0);
}

} // namespace

std::optional<Contact> loadContact(Database &db, qint64 id)
{
    ReusedStatement st(
        db, QStringLiteral("SELECT %1, IDDestinatario FROM tab_destinatari WHERE IDDestinatario = ?").arg(kFields));
    st->bind(1, id);
    if (!st->next())
        return std::nullopt;
    return contactAt(*st);
}

qint64 addressBookCount(Database &db)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_destinatari"));
}

std::optional<qint64> contactWithNumber(Database &db, const QString &number)
{
    ReusedStatement st(db, QStringLiteral("SELECT IDDestinatario FROM tab_destinatari WHERE Numero = ?"));
    st->bind(1, number);
    if (!st->next())
        return std::nullopt;
    return st->integer(0);
}

QList<Contact> contactsByName(Database &db, const QList<qint64> &groups)
{
    QString sql = QStringLiteral("SELECT %1, IDDestinatario FROM tab_destinatari").arg(kFields);
    if (!groups.isEmpty()) {
        const QStringList marks(groups.size(), QStringLiteral("?"));
        sql += QStringLiteral(" WHERE IDDestinatario IN (SELECT ID_Membro FROM tab_membri WHERE ID_Lista IN (%1))")
                   .arg(marks.join(QLatin1Char(',')));
    }
    sql += QStringLiteral(" ORDER BY Nominativo COLLATE NAME_ORDER, IDDestinatario");
    Statement st = db.prepare(sql);
    for (int i = 0; i < groups.size(); ++i)
        st.bind(i + 1, groups.at(i));
    QList<Contact> out;
    while (st.next())
        out.append(contactAt(st));
    return out;
}

QList<Contact> briefContacts(Statement &st)
{
    QList<Contact> out;
    while (st.next()) {
        Contact c;
        c.id = st.integer(0);
        c.name = st.text(1);
        c.number = st.text(2);
        out.append(std::move(c));
    }
    return out;
}

QList<Contact> contactNumbers(Database &db)
{
    Statement st = db.prepare(QStringLiteral("SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari"));
    return briefContacts(st);
}

void forEachNumberAndName(Database &db, const std::function<void(const QString &number, const QString &name)> &take)
{
    Statement st = db.prepare(QStringLiteral("SELECT Numero, Nominativo FROM tab_destinatari"));
    while (st.next())
        take(st.text(0), st.text(1));
}

ContactBatch::ContactBatch(Database &db)
    : m_db(db)
    , m_find(db.prepare(QStringLiteral("SELECT 1 FROM tab_destinatari WHERE Numero = ? LIMIT 1")))
    , m_insert(db.prepare(kInsert))
{
}

bool ContactBatch::hasNumber(const QString &number)
{
    m_find.reset();
    m_find.bind(1, number);
    const bool found = m_find.next();
    m_find.reset();
    return found;
}

qint64 ContactBatch::add(const Contact &contact)
{
    m_insert.reset();
    m_insert.bindAll(values(contact));
    m_insert.run();
    return m_db.lastInsertId();
}

NumberParts splitStoredNumber(const QString &number)
{
    return {number.left(3), number.mid(3, 3), number.mid(6)};
}

SaveOutcome saveContact(Database &db, Notifier &notifier, qint64 id, const Contact &c, qint64 groupId)
{
    Transaction tx(db);
    // Checked in modify mode too, when the number changes: two contacts with
    // one number would each get the other's messages. An unchanged number
    // shared in an older book must not block the other fields.
    const bool numberChanged = id == kNewContact
        || db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_destinatari WHERE IDDestinatario = ? AND Numero = ?"),
                     {id, c.number})
            == 0;
    if (numberChanged) {
        if (const std::optional<QString> holder = holderOf(db, c.number, id))
            return {kNewContact, *holder};
    }

    qint64 saved = id;
    if (id == kNewContact) {
        db.run(kInsert, values(c));
        saved = db.lastInsertId();
        if (groupId != kWholeAddressBook)
            db.run(QStringLiteral("INSERT INTO tab_membri (ID_Lista, ID_Membro) VALUES (?, ?)"), {groupId, saved});
    } else {
        // No sex chosen leaves the stored one.
        db.run(QStringLiteral("UPDATE tab_destinatari SET Nominativo = ?, Numero = ?, Indirizzo = ?, CAP = ?, "
                              "Citta = ?, Prov = ?, Regione = ?, e_mail = ?, DataNascita = ?, "
                              "Sesso = COALESCE(NULLIF(?, ''), Sesso, '') WHERE IDDestinatario = ?"),
               values(c) + QVariantList{id});
        if (db.changes() == 0)
            throw Error(ErrorNo::NoCurrentRecord, Texts::tr("Nessun record corrente."));
    }
    tx.commit();
    emit notifier.contactChanged(qint32(saved), c.name, c.number, false);
    if (id == kNewContact && groupId != kWholeAddressBook)
        emit notifier.membersAdded(groupId, {saved});
    return {saved, QString()};
}

void deleteContact(Database &db, Notifier &notifier, qint64 id)
{
    Transaction tx(db);
    deleteContactRows(db, id);
    tx.commit();
    emit notifier.contactChanged(qint32(id), QString(), QString(), true);
}

QList<qint64> allContactIds(Database &db)
{
    QList<qint64> out;
    Statement st = db.prepare(QStringLiteral("SELECT IDDestinatario FROM tab_destinatari ORDER BY IDDestinatario"));
    while (st.next())
        out << st.integer(0);
    return out;
}

qint64 insertContactRow(Database &db, const Contact &c)
{
    if (holderOf(db, c.number, kNewContact))
        throw Error(ErrorNo::DuplicateKey, Texts::tr("Il numero %1 è già in rubrica.").arg(c.number));
    db.run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero, Indirizzo, CAP, Citta, Prov, "
                          "Regione, e_mail, DataNascita, Sesso) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
           values(c));
    return db.lastInsertId();
}

void updateContactRow(Database &db, qint64 id, const Contact &c)
{
    if (holderOf(db, c.number, id))
        throw Error(ErrorNo::DuplicateKey, Texts::tr("Il numero %1 è già in rubrica.").arg(c.number));
    db.run(QStringLiteral("UPDATE tab_destinatari SET Nominativo = ?, Numero = ?, Indirizzo = ?, CAP = ?, "
                          "Citta = ?, Prov = ?, Regione = ?, e_mail = ?, DataNascita = ?, Sesso = ? "
                          "WHERE IDDestinatario = ?"),
           values(c) + QVariantList{id});
}

void deleteContactRows(Database &db, qint64 id)
{
    db.run(QStringLiteral("DELETE FROM tab_destinatari WHERE IDDestinatario = ?"), {id});
    db.run(QStringLiteral("DELETE FROM tab_membri WHERE ID_Membro = ?"), {id});
    db.run(QStringLiteral("DELETE FROM tab_dest_msg WHERE IDDestinatario = ?"), {id});
}

} // namespace brio
