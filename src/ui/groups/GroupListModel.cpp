#include "ui/groups/GroupListModel.h"

#include "context/Context.h"
#include "context/Notifier.h"

namespace brio {

GroupListModel::GroupListModel(Context &ctx, Read read, QObject *parent)
    : ContactListModel(QString(), parent)
    , m_ctx(ctx)
    , m_read(std::move(read))
{
    const auto again = [this] { guarded(m_ctx, [&] { reload(); }); };
    Notifier &n = ctx.notifier();
    // Every change of members ends with groupsChanged, but a contact saved
    // into a group or deleted from the book only says so.
    connect(&n, &Notifier::groupsChanged, this, again);
    connect(&n, &Notifier::contactChanged, this,
            [again](qint32, const QString &, const QString &, bool removed) {
                if (removed)
                    again();
            });
    connect(&n, &Notifier::membersAdded, this, again);
}

void GroupListModel::reload()
{
    mergeEntries(m_read(m_ctx.db()));
}

} // namespace brio
