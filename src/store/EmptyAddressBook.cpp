#include "store/EmptyAddressBook.h"

#include "app/Context.h"
#include "store/Database.h"

namespace brio {

bool EmptyAddressBook(Context &ctx)
{
    if (ctx.message(Icon::Question, QStringLiteral("Sei sicuro di voler cancellare la rubrica e tutti i gruppi?"),
                    Buttons::YesNo)
        != Answer::Yes)
        return false;
    if (ctx.message(Icon::Exclamation,
                    QStringLiteral("Se l'operazione viene confermata la rubrica ed i gruppi saranno irreversibilmente "
                                   "cancellati\nContinuare?"),
                    Buttons::YesNo)
        != Answer::Yes)
        return false;

    Database &db = ctx.db();
    Transaction tx(db);
    db.run(QStringLiteral("DELETE FROM tab_destinatari"));
    db.run(QStringLiteral("DELETE FROM tab_liste"));
    db.run(QStringLiteral("DELETE FROM tab_membri"));
    tx.commit();

    ctx.message(Icon::Information, QStringLiteral("La rubrica e le liste sono state irreversibilmente cancellate."));
    return true;
}

} // namespace brio
