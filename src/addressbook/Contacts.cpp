#include "addressbook/Contacts.h"

#include "compose/ListEntries.h"
#include "context/Notifier.h"
#include "core/Error.h"
#include "core/Texts.h"
#include "store/Database.h"

namespace brio {

namespace {

// Empty texts stay NULL, as a field never filled in.
QVariant field(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// The name of a contact other than `except` that has the number.
std::optional<QString> holderOf(Database &db, const QString &number, qint64 except)
{
    Statement st = db.prepare(QStringLiteral(
        "SELECT Nominativo FROM tab_destinatari WHERE Numero = ? AND IDDestinatario <> ? LIMIT 1"));
    st.bind(1, number).bind(2, except);
    if (!st.next())
        return std::nullopt;
    return st.text(0);
}

} // namespace

std::optional<Contact> loadContact(Database &db, qint64 id)
{
    Statement st = db.prepare(QStringLiteral(
        "SELECT Nominativo, Numero, Indirizzo, CAP, Citta, Prov, Regione, e_mail, DataNascita, Sesso "
        "FROM tab_destinatari WHERE IDDestinatario = ?"));
    st.bind(1, id);
    if (!st.next())
        return std::nullopt;
    return Contact{st.text(0), st.text(1), st.text(2), st.text(3), st.text(4),
                   st.text(5), st.text(6), st.text(7), st.text(8), st.text(9)};
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

    const QVariantList values{c.name, c.number, field(c.address), field(c.postCode), field(c.city),
                              field(c.province), field(c.region), field(c.email), field(c.birthDate)};
    qint64 saved = id;
    if (id == kNewContact) {
        db.run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero, Indirizzo, CAP, Citta, Prov, "
                              "Regione, e_mail, DataNascita, Sesso) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               values + QVariantList{field(c.sex)});
        saved = db.lastInsertId();
        if (groupId != kWholeAddressBook)
            db.run(QStringLiteral("INSERT INTO tab_membri (ID_Lista, ID_Membro) VALUES (?, ?)"), {groupId, saved});
    } else {
        // No sex chosen leaves the stored one.
        db.run(QStringLiteral("UPDATE tab_destinatari SET Nominativo = ?, Numero = ?, Indirizzo = ?, CAP = ?, "
                              "Citta = ?, Prov = ?, Regione = ?, e_mail = ?, DataNascita = ?, "
                              "Sesso = COALESCE(?, Sesso) WHERE IDDestinatario = ?"),
               values + QVariantList{field(c.sex), id});
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
    db.run(QStringLiteral("DELETE FROM tab_destinatari WHERE IDDestinatario = ?"), {id});
    db.run(QStringLiteral("DELETE FROM tab_membri WHERE ID_Membro = ?"), {id});
    db.run(QStringLiteral("DELETE FROM tab_dest_msg WHERE IDDestinatario = ?"), {id});
    tx.commit();
    emit notifier.contactChanged(qint32(id), QString(), QString(), true);
}

} // namespace brio
