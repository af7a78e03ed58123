#include "ui/main/RecipientListModel.h"

#include "context/Context.h"
#include "context/Notifier.h"

namespace brio {

RecipientListModel::RecipientListModel(Context &ctx, QObject *parent)
    : ContactListModel(QString(), parent)
{
    connect(&ctx.notifier(), &Notifier::contactChanged, this, &RecipientListModel::contactChanged);
}

void RecipientListModel::contactChanged(qint32 id, const QString &name, const QString &number, bool removed)
{
    if (removed)
        removeData(id);
    else
        updateContact(id, name, number, false);
}

} // namespace brio
