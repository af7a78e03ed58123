#include "compose/MessageState.h"

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

namespace {

// The numbers of the chosen contacts and of the chosen groups' members, one
// row for each way a number is reached.
const QString kListedNumbers = QStringLiteral(
    "SELECT d.Numero FROM tab_destinatari d JOIN tab_dest_msg m ON m.IDDestinatario = d.IDDestinatario "
    "UNION ALL SELECT d.Numero FROM tab_destinatari d JOIN tab_membri b ON b.ID_Membro = d.IDDestinatario "
    "JOIN tab_dest_liste l ON l.IDLista = b.ID_Lista");

} // namespace

qint64 recipientCount(Database &db)
{
    return db.scalar(QStringLiteral("SELECT COUNT(DISTINCT Numero) FROM (SELECT Numero FROM tab_dest_number "
                                    "UNION ALL ")
                     + kListedNumbers + QStringLiteral(")"));
}

RecipientRepeats recipientRepeats(Database &db)
{
    RecipientRepeats out;
    out.typed = db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_dest_number WHERE Numero IN (")
                          + kListedNumbers + QStringLiteral(")"))
        > 0;
    out.listed =
        db.scalar(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT Numero) FROM (") + kListedNumbers + QStringLiteral(")"))
        > 0;
    return out;
}

qint64 chosenGroupMemberRows(Database &db)
{
    return db.scalar(QStringLiteral(
        "SELECT COUNT(*) AS totale FROM tab_membri WHERE ID_Lista IN (SELECT IDLista FROM tab_dest_liste)"));
}

qint64 addressBookCount(Database &db)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) AS totale FROM tab_destinatari"));
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
    {
        Statement st = db.prepare(QStringLiteral(
            "SELECT IDDestinatario, Nominativo FROM tab_destinatari WHERE IDDestinatario IN "
            "(SELECT IDDestinatario FROM tab_dest_msg) ORDER BY Nominativo COLLATE NAME_ORDER"));
        while (st.next())
            out.contacts.append({st.text(1), st.integer(0)});
    }
    {
        // One entry per chosen row, carrying the row's ID so that removing
        // the entry removes exactly that row.
        Statement st = db.prepare(QStringLiteral(
            "SELECT d.ID, l.NomeLista FROM tab_dest_liste d JOIN tab_liste l ON l.ID_Lista = d.IDLista "
            "ORDER BY l.NomeLista COLLATE NAME_ORDER, d.ID"));
        while (st.next())
            out.groups.append({st.text(1), st.integer(0)});
    }
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

qint64 groupMemberCount(Database &db, qint64 groupId)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) AS totale FROM tab_membri WHERE ID_Lista = ?"), {groupId});
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
    Statement st = db.prepare(QStringLiteral(
        "SELECT d.ID, l.NomeLista, (SELECT COUNT(*) FROM tab_membri m WHERE m.ID_Lista = l.ID_Lista) "
        "FROM tab_dest_liste d JOIN tab_liste l ON l.ID_Lista = d.IDLista ORDER BY l.NomeLista COLLATE NAME_ORDER, d.ID"));
    while (st.next())
        out.append({groupEntryText(st.text(1), st.integer(2)), st.integer(0)});
    return out;
}

} // namespace brio
