#include "addressbook/ChosenContacts.h"

#include "addressbook/Contacts.h"
#include "context/Notifier.h"
#include "store/Database.h"

namespace brio {

QList<Contact> chosenContacts(Database &db)
{
    Statement st = db.prepare(QStringLiteral(
        "SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari WHERE IDDestinatario IN "
        "(SELECT IDDestinatario FROM tab_dest_msg) ORDER BY Nominativo COLLATE NAME_ORDER"));
    return briefContacts(st);
}

void replaceChosenContacts(Database &db, Notifier &notifier, const QList<qint64> &ids)
{
    Transaction tx(db);
    db.run(QStringLiteral("DELETE FROM tab_dest_msg"));
    Statement insert = db.prepare(QStringLiteral(
        "INSERT INTO tab_dest_msg (IDDestinatario) SELECT IDDestinatario FROM tab_destinatari WHERE IDDestinatario = ?"));
    for (const qint64 id : ids) {
        insert.bind(1, id).run();
        insert.reset();
    }
    tx.commit();
    emit notifier.messageContactsChanged();
}

} // namespace brio
