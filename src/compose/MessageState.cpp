#include "compose/MessageState.h"

#include "addressbook/ChosenContacts.h"
#include "core/Texts.h"
#include "store/Database.h"

namespace brio {

void clearMessageState(Database &db)
{
    Transaction tx(db);
    db.run(QStringLiteral("DELETE FROM tab_dest_msg"));
    db.run(QStringLiteral("DELETE FROM tab_dest_number"));
    db.run(QStringLiteral("DELETE FROM tab_dest_liste"));
    db.run(QStringLiteral("DELETE FROM tab_stringa_messaggio"));
    tx.commit();
}

QString recipientCountText(qint64 count)
{
    return Texts::tr("SMS da inviare: ") + QString::number(count);
}

QString wholeAddressBookText(qint64 count)
{
    return Texts::tr("Totale Rubrica: ") + QString::number(count)
        + (count > 1 ? Texts::tr(" destinatari.") : Texts::tr(" destinatario."));
}

MessageStateContent readMessageState(Database &db)
{
    MessageStateContent out;
    out.numbers = typedNumberEntries(db);
    for (const Contact &c : chosenContacts(db))
        out.contacts.append({c.name, c.id});
    // One entry per chosen row, carrying the row's ID so that removing the
    // entry removes exactly that row.
    for (const Group &g : chosenGroups(db))
        out.groups.append({g.name, g.id});
    {
        Statement st = db.prepare(QStringLiteral("SELECT testo_SMS FROM tab_stringa_messaggio"));
        if (st.next())
            out.text = st.text(0);
    }
    return out;
}

qint64 addTypedNumber(Database &db, const QString &fullNumber)
{
    db.run(QStringLiteral("INSERT INTO tab_dest_number (Numero) VALUES (?)"), {fullNumber});
    return db.lastInsertId();
}

void removeRecipient(Database &db, qint64 entryData)
{
    if (entryData < 0)
        db.run(QStringLiteral("DELETE FROM tab_dest_number WHERE ID = ?"), {-entryData});
    else
        db.run(QStringLiteral("DELETE FROM tab_dest_msg WHERE IDDestinatario = ?"), {entryData});
}

std::optional<qint64> addGroupEntry(Database &db, qint64 groupId)
{
    Transaction tx(db);
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_dest_liste WHERE IDLista = ?"), {groupId}) > 0)
        return std::nullopt;
    db.run(QStringLiteral("INSERT INTO tab_dest_liste (IDLista) VALUES (?)"), {groupId});
    const qint64 id = db.lastInsertId();
    tx.commit();
    return id;
}

void removeGroupEntry(Database &db, qint64 rowId)
{
    db.run(QStringLiteral("DELETE FROM tab_dest_liste WHERE ID = ?"), {rowId});
}

QString groupEntryText(const QString &name, qint64 members)
{
    return name + QStringLiteral(" (") + QString::number(members) + Texts::tr(" destinatari)");
}

ListEntries chosenGroupEntries(Database &db)
{
    ListEntries out;
    for (const Group &g : chosenGroups(db))
        out.append({groupEntryText(g.name, g.members), g.id});
    return out;
}

} // namespace brio
