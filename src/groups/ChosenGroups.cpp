#include "groups/ChosenGroups.h"

#include "addressbook/Contacts.h"
#include "store/Database.h"

namespace brio {

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

QList<Group> chosenGroups(Database &db)
{
    Statement st = db.prepare(QStringLiteral(
        "SELECT d.ID, l.NomeLista, (SELECT COUNT(*) FROM tab_membri m WHERE m.ID_Lista = l.ID_Lista) "
        "FROM tab_dest_liste d JOIN tab_liste l ON l.ID_Lista = d.IDLista ORDER BY l.NomeLista COLLATE NAME_ORDER, d.ID"));
    QList<Group> out;
    while (st.next())
        out.append({st.integer(0), st.text(1), st.integer(2)});
    return out;
}

QList<Contact> chosenGroupMembers(Database &db)
{
    Statement st = db.prepare(QStringLiteral(
        "SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari WHERE IDDestinatario IN "
        "(SELECT ID_Membro FROM tab_membri WHERE ID_Lista IN (SELECT IDLista FROM tab_dest_liste))"));
    return briefContacts(st);
}

} // namespace brio
