#pragma once

#include "ui/addressbook/ContactListModel.h"

namespace brio {

struct Context;

// Contacts chosen for a message, maybe after the numbers typed for it
// (negative data): the contacts follow their renames and deletions in place.
class RecipientListModel final : public ContactListModel
{
    Q_OBJECT
public:
    RecipientListModel(Context &ctx, QObject *parent);

private:
    void contactChanged(qint32 id, const QString &name, const QString &number, bool removed);
};

} // namespace brio
