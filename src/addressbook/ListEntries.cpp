#include "addressbook/ListEntries.h"

#include "store/Database.h"

namespace brio {

namespace {

// Reads (id, name, number) rows into contact entries.
void appendContacts(Statement &st, ListEntries &out)
{
    while (st.next())
        out.append({contactEntryText(st.text(1), st.text(2)), st.integer(0)});
}

} // namespace

QString contactEntryText(const QString &name, const QString &number)
{
    return name + QLatin1Char(',') + number;
}

ListEntries memberEntries(Database &db, qint64 groupId)
{
    ListEntries out;
    if (groupId != kWholeAddressBook) {
        Statement st = db.prepare(QStringLiteral(
            "SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari WHERE IDDestinatario IN "
            "(SELECT ID_Membro FROM tab_membri WHERE ID_Lista = ?) ORDER BY Nominativo COLLATE NAME_ORDER"));
        st.bind(1, groupId);
        appendContacts(st, out);
    } else {
        Statement st = db.prepare(
            QStringLiteral("SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari ORDER BY Nominativo COLLATE NAME_ORDER"));
        appendContacts(st, out);
    }
    return out;
}

ListEntries typedNumberEntries(Database &db)
{
    ListEntries out;
    Statement st = db.prepare(QStringLiteral("SELECT ID, Numero FROM tab_dest_number ORDER BY ID"));
    while (st.next())
        out.append({st.text(1), -st.integer(0)});
    return out;
}

ListEntries messageRecipientEntries(Database &db, bool withNumbers)
{
    ListEntries out;
    {
        Statement st = db.prepare(QStringLiteral(
            "SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari WHERE IDDestinatario IN "
            "(SELECT IDDestinatario FROM tab_dest_msg) ORDER BY Nominativo COLLATE NAME_ORDER"));
        appendContacts(st, out);
    }
    if (withNumbers)
        out += typedNumberEntries(db);
    return out;
}

} // namespace brio
