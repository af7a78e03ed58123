#pragma once

#include "ui/addressbook/ContactListModel.h"

#include <functional>

namespace brio {

class Database;
struct Context;

// Groups with their member counts, as a routine reads them: read again after
// any change to groups, members or the book, and merged row by row, so that
// the selection stays on its group.
class GroupListModel final : public ContactListModel
{
    Q_OBJECT
public:
    using Read = std::function<ListEntries(Database &)>;
    GroupListModel(Context &ctx, Read read, QObject *parent);

    // Throws Error.
    void reload();

private:
    Context &m_ctx;
    Read m_read;
};

} // namespace brio
