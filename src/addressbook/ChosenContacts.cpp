#include "addressbook/ChosenContacts.h"

#include "context/Notifier.h"
#include "store/Database.h"

namespace brio {

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
