#include "store/EmptyAddressBook.h"

#include "store/Database.h"

namespace brio {

void deleteAddressBook(Database &db)
{
    Transaction tx(db);
    db.run(QStringLiteral("DELETE FROM tab_destinatari"));
    db.run(QStringLiteral("DELETE FROM tab_liste"));
    db.run(QStringLiteral("DELETE FROM tab_membri"));
    tx.commit();
}

} // namespace brio
